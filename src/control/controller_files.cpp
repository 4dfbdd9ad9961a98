// Saving and opening grooves and drum sets, and the MIDI export, through the window's
// save and open sheets.

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "GrooveController.h"
#include "groove_files.h"
#include "midi_export.h"

namespace pattaplex {

namespace {

namespace fs = std::filesystem;

// Each kind of file has its folder under the desktop folder and its extension.
struct FileKind {
    const char* folder;
    const char* extension;  // without its dot
};
constexpr FileKind kDrumSetFiles{"/Pattaplex/DrumSets", "set"};
constexpr FileKind kMidiFiles{"/Pattaplex/Saves/midiFiles", "mid"};
constexpr FileKind kGrooveFiles{"/Pattaplex/Saves/Grooves", "grv"};
constexpr FileKind kAudioFiles{"/Pattaplex/Saves/Audio", "wav"};

const FileKind& kindOf(bool drumSet, bool midi) {
    return drumSet ? kDrumSetFiles : midi ? kMidiFiles : kGrooveFiles;
}

// The folder, created when missing so that the first save has somewhere to go. A folder
// that cannot be made is still proposed: the sheet lets the user go elsewhere.
std::string prepareFolder(const std::string& folder) {
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    return folder;
}

// A name that can stand as a file name: "/" (and the null character) replaced by "-", so
// that "Jazz 4/4" is suggested as "Jazz 4-4".
std::string fileNameFrom(std::string name) {
    for (char& c : name)
        if (c == '/' || c == '\0') c = '-';
    return name;
}

// The path with the kind's extension added unless the chosen name already ends with it,
// in any case: "Take 2.5" is saved as "Take 2.5.grv", so the Open sheet shows it.
std::string withExtension(const std::string& path, const std::string& extension) {
    const std::string name = fs::path(path).filename().string();
    const std::string ending = "." + extension;
    if (name.empty()) return path;
    if (name.size() > ending.size()) {
        std::string tail = name.substr(name.size() - ending.size());
        for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (tail == ending) return path;
    }
    return path + ending;
}

}  // namespace

std::string GrooveController::desktopFolder() const {
    if (!desktop_.empty()) return desktop_;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/Desktop";
}

std::string GrooveController::audioExportFolder() const {
    return desktopFolder() + kAudioFiles.folder;
}

std::string GrooveController::audioExportName() const {
    return fileNameFrom(s_.lastFile) + "." + kAudioFiles.extension;
}

void GrooveController::saveFile() {
    const bool drumSet = s_.saveSET != 0;
    if (drumSet) s_.exportMIDI = 0;
    if (s_.exportMIDI != 0) {
        std::fprintf(stdout_, "\n v = %i ", toolkitVersion_);
        std::fflush(stdout_);
    }
    const FileKind& kind = kindOf(drumSet, s_.exportMIDI != 0);
    const std::string name = drumSet ? "DrumSet" : fileNameFrom(s_.lastFile);
    out_.beginSaveSheet(prepareFolder(desktopFolder() + kind.folder), name + "." + kind.extension);
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
    const FileKind& kind = kindOf(s_.saveSET != 0, false);
    out_.beginOpenSheet(prepareFolder(desktopFolder() + kind.folder), fileNameFrom(s_.lastFile),
                        kind.extension);
}

void GrooveController::openDrums() {
    s_.saveSET = 1;
    openFile();
}

void GrooveController::savePanelDidEnd(bool confirmed, const std::string& chosenPath) {
    const bool drumSet = s_.saveSET != 0;
    const bool midi = !drumSet && s_.exportMIDI != 0;
    // Whatever happens next, this sheet's save is over: the next save is a groove's.
    s_.saveSET = 0;
    s_.exportMIDI = 0;
    if (!confirmed) return;

    const std::string path = withExtension(chosenPath, kindOf(drumSet, midi).extension);
    const std::string fileName = fs::path(path).filename().string();
    if (midi) {
        if (const Status exported = exportMidi(path, s_); !exported) {
            out_.runAlert("WARNING", exported.error(), "Oh No!");
            return;
        }
        out_.setFileField(fileName);
        return;
    }
    const Status saved = drumSet ? saveDrumSet(path, s_) : saveGroove(path, s_);
    if (!saved) {
        out_.runAlert("COULD NOT SAVE", "\"" + fileName + "\" was not saved: " + saved.error(),
                      "OK");
        return;
    }
    // A drum set is named in its own field; the groove keeps its name, and only a saved
    // groove is safe to quit.
    if (drumSet) {
        out_.setDrumSetField(fileName);
        return;
    }
    out_.setFileField(fileName);
    s_.dataTOG = 0;
}

void GrooveController::openPath(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    s_.saveSET = extension == ".set" ? 1 : 0;
    s_.exportMIDI = 0;
    openPanelDidEnd(true, path);
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

    if (drumSet) {
        const Result<DrumSetData> set = readDrumSet(path);
        if (!set) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), set.error().c_str());
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
    const Result<GrooveData> groove = readGroove(path);
    if (!groove) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), groove.error().c_str());
        out_.runAlert("NOT A GROOVE FILE", "Try Again", "Man!");
        return;
    }
    applyGroove(s_, *groove);
    showGroove();
    out_.setFileField(s_.lastFile);
    out_.setDrumSetField(s_.lastFile);
    initQT();
    s_.GRID = 1;
    out_.requestRedraw();
    fileOpened(path);
}

}  // namespace pattaplex
