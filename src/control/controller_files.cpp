// Saving and opening grooves and drum sets, and the MIDI export, through the window's
// save and open sheets.

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "GrooveController.h"
#include "edit_scope.h"
#include "groove_files.h"
#include "integer_plist.h"
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
    // A groove with a file of its own is written there at once.
    if (s_.saveSET == 0 && s_.exportMIDI == 0 && !grooveFile_.empty())
        return savePanelDidEnd(true, grooveFile_);
    beginSave();
}

void GrooveController::saveFileAs() {
    s_.saveSET = 0;
    s_.exportMIDI = 0;
    beginSave();
}

void GrooveController::beginSave() {
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
    const bool drumSet = s_.saveSET != 0;
    auto sheet = [this, drumSet] {
        const FileKind& kind = kindOf(drumSet, false);
        s_.saveSET = drumSet ? 1 : 0;
        out_.beginOpenSheet(prepareFolder(desktopFolder() + kind.folder), fileNameFrom(s_.lastFile),
                            kind.extension);
    };
    // A drum set changes only the sounds, which undo brings back.
    if (drumSet) return sheet();
    confirmReplacing({}, sheet);
}

void GrooveController::confirmReplacing(const std::string& opening, std::function<void()> open) {
    afterSave_ = nullptr;
    if (s_.dataTOG == 0) return open();
    const std::string what = opening.empty() ? "another groove" : "\"" + opening + "\"";
    const int answer = out_.runAlert(
        "YOU HAVE UNSAVED DATA",
        "\"" + s_.lastFile + "\" has changes that are not saved. Save them before opening " + what +
            "?",
        "SAVE", "DON'T SAVE", "CANCEL");
    if (answer == 0) return open();
    if (answer != 1) return;
    // The open follows a save that succeeds; a cancelled or failed save ends it.
    afterSave_ = std::move(open);
    s_.saveSET = 0;
    s_.exportMIDI = 0;
    saveFile();
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
    const std::function<void()> then = std::exchange(afterSave_, nullptr);
    if (!confirmed) return;

    const std::string path = withExtension(chosenPath, kindOf(drumSet, midi).extension);
    const std::string fileName = fs::path(path).filename().string();
    // The sheet asked about replacing the name as typed, not the one with its extension.
    std::error_code ignored;
    if (path != chosenPath && fs::exists(path, ignored) &&
        out_.runAlert("FILE EXISTS", "\"" + fileName + "\" already exists. Replace it?", "Replace",
                      "Cancel") != 1)
        return;
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
    s_.lastFile = fs::path(path).stem().string();
    grooveFile_ = path;
    showTitle();
    if (then) then();
}

void GrooveController::showTitle() {
    out_.setTitle(s_.lastFile + (s_.dataTOG != 0 ? "*" : "") + " \u2014 Pattaplex");
}

void GrooveController::openPath(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto open = [this, path, drumSet = extension == ".set"] {
        s_.saveSET = drumSet ? 1 : 0;
        s_.exportMIDI = 0;
        openPanelDidEnd(true, path);
    };
    // Only a groove replaces the groove; a MIDI file is refused before it could.
    if (extension == ".set" || extension == ".mid") return open();
    confirmReplacing(fs::path(path).filename().string(), open);
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
        out_.runAlert("Loading a midi file will crash the app",
                      "\"" + chosen.filename().string() +
                          "\" is a MIDI file, which Pattaplex only exports: open a groove "
                          "(.grv) or a drum set (.set).",
                      "OK", "Cancel");
        return;
    }
    drumSet ? openDrumSet(path) : openGroove(path);
}

namespace {

// The file read as `kind`, or why not in words naming it: "Funk.grv is not a groove
// file: it is not a property list", "cannot read Funk.grv: permission denied".
template <typename Data>
Result<Data> readAs(const std::string& path, Result<Data> (*parse)(std::string_view),
                    const char* kind) {
    const std::string name = fs::path(path).filename().string();
    const Result<std::string> bytes = readSmallFile(path);
    std::optional<std::string> why;
    if (!bytes) {
        std::string reason = bytes.error();
        if (!reason.empty())
            reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
        why = "cannot read " + name + ": " + reason;
    }
    Result<Data> data = bytes ? parse(*bytes) : failure(*why);
    if (!data && !why) why = name + " is not " + kind + ": " + data.error();
    if (!why) return data;
    std::fprintf(stderr, "%s: %s\n", path.c_str(), why->c_str());
    return failure(*why);
}

}  // namespace

void GrooveController::openDrumSet(const std::string& path) {
    const Result<DrumSetData> set = readAs(path, drumSetFromBytes, "a drum set file");
    if (!set) {
        out_.runAlert("NOT A DRUM SET FILE", set.error(), "Man!");
        return;
    }
    // Only the sounds change, as one edit that undo takes back; the groove keeps its name.
    const EditScope edit(*this, "Open Drum Set");
    applyDrumSet(s_, *set);
    out_.setDrumSetField(fs::path(path).stem().string());
    displaySounds();
    initQT();
    out_.noteOpenedFile(path);
}

void GrooveController::openGroove(const std::string& path) {
    const Result<GrooveData> groove = readAs(path, grooveFromBytes, "a groove file");
    if (!groove) {
        out_.runAlert("NOT A GROOVE FILE", groove.error(), "Man!");
        return;
    }
    // The groove is now the file's, saved as it stands.
    s_.lastFile = fs::path(path).stem().string();
    grooveFile_ = path;
    s_.dataTOG = 0;
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
