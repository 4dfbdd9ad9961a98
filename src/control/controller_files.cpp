// Saving and opening grooves and drum sets, and the MIDI export, through the window's
// save and open sheets.

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "GrooveController.h"
#include "groove_files.h"
#include "midi_export.h"

namespace pattaplex {

namespace {

namespace fs = std::filesystem;

constexpr const char* kDrumSetFolder = "~/Desktop/Pattaplex//DrumSets";
constexpr const char* kMidiFolder = "~/Desktop/Pattaplex/Saves/midiFiles";
constexpr const char* kGrooveFolder = "~/Desktop/Pattaplex/Saves/Grooves";
constexpr const char* kOpenFolder = "~/Desktop/Pattaplex/Saves";

// The folder with "~" standing for the home folder, created when missing so that the
// first save has somewhere to go. A folder that cannot be made is still proposed: the
// sheet lets the user go elsewhere.
std::string prepareFolder(const std::string& folder) {
    std::string path = folder;
    if (!path.empty() && path[0] == '~') {
        const char* home = std::getenv("HOME");
        path = std::string(home ? home : "") + path.substr(1);
    }
    std::error_code ignored;
    fs::create_directories(path, ignored);
    return path;
}

}  // namespace

void GrooveController::saveFile() {
    std::string folder;
    std::string name;
    if (s_.saveSET != 0) {
        s_.exportMIDI = 0;
        folder = kDrumSetFolder;
        name = "DrumSet.set";
    } else if (s_.exportMIDI != 0) {
        std::fprintf(stdout_, "\n v = %i ", toolkitVersion_);
        std::fflush(stdout_);
        folder = kMidiFolder;
        name = s_.lastFile + ".mid";
    } else {
        folder = kGrooveFolder;
        name = s_.lastFile + ".grv";
    }
    out_.beginSaveSheet(prepareFolder(folder), name);
}

void GrooveController::saveDrums() {
    s_.saveSET = 1;
    s_.exportMIDI = 0;
    saveFile();
}

void GrooveController::saveMIDI() {
    s_.exportMIDI = 1;
    saveFile();
}

void GrooveController::openFile() {
    out_.beginOpenSheet(prepareFolder(kOpenFolder), s_.lastFile);
}

void GrooveController::openDrums() {
    s_.saveSET = 1;
    openFile();
}

void GrooveController::savePanelDidEnd(bool confirmed, const std::string& path) {
    const bool drumSet = s_.saveSET != 0;
    const bool midi = !drumSet && s_.exportMIDI != 0;
    // Whatever happens next, this sheet's save is over: the next save is a groove's.
    s_.saveSET = 0;
    s_.exportMIDI = 0;
    if (!confirmed) return;

    const std::string fileName = fs::path(path).filename().string();
    if (midi) {
        if (auto error = exportMidi(path, s_)) {
            out_.runAlert("WARNING", *error, "Oh No!");
            return;
        }
        out_.setFileField(fileName);
        return;
    }
    const auto error = drumSet ? saveDrumSet(path, s_) : saveGroove(path, s_);
    if (error) {
        out_.runAlert("COULD NOT SAVE", "\"" + fileName + "\" was not saved: " + *error, "OK");
        return;
    }
    out_.setFileField(fileName);
    // Only a saved groove keeps the groove safe; a drum set or MIDI file does not.
    if (!drumSet) s_.dataTOG = 0;
}

void GrooveController::openPanelDidEnd(bool confirmed, const std::string& path) {
    const bool drumSet = s_.saveSET != 0;
    s_.saveSET = 0;
    s_.exportMIDI = 0;
    if (!confirmed) return;

    const fs::path chosen(path);
    std::string extension = chosen.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    std::fprintf(stdout_, "\next1=%s ", extension.c_str());
    std::fflush(stdout_);
    if (extension == "mid") {
        std::fprintf(stdout_, "\next2=%s ", extension.c_str());
        std::fflush(stdout_);
        out_.runAlert("Loading a midi file will crash the app", "Try Again", "OK", "Cancel");
        return;
    }
    const std::string name = chosen.stem().string();
    std::string why;

    if (drumSet) {
        const auto set = readDrumSet(path, &why);
        if (!set) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), why.c_str());
            out_.runAlert("NOT A DRUM SET FILE", "Try Again", "Man!");
            return;
        }
        s_.lastFile = name;
        applyDrumSet(s_, *set);
        out_.setDrumSetField(s_.lastFile);
        displaySounds();
        initQT();
        fileOpened(path);
        return;
    }

    s_.lastFile = name;
    const auto groove = readGroove(path, &why);
    if (!groove) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), why.c_str());
        out_.runAlert("NOT A GROOVE FILE", "Try Again", "Man!");
        return;
    }
    applyGroove(s_, *groove);
    showTempo();
    displayVolume();
    displaySounds();
    out_.setFileField(s_.lastFile);
    out_.setDrumSetField(s_.lastFile);
    initQT();
    s_.GRID = 1;
    out_.requestRedraw();
    fileOpened(path);
}

}  // namespace pattaplex
