// Drag painting, undo and redo of whole edits, typed and tapped tempo, the playhead and
// opening files by path.

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "edit_scope.h"

namespace pattaplex {

namespace {

constexpr int kSlowestTempo = 40;
constexpr int kFastestTempo = 240;

double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string keyEditName(char32_t key) {
    switch (key) {
        case kLeftArrow:
        case kRightArrow:
            return "Sound";
        case kUpArrow:
        case kDownArrow:
            return "Volume";
        case kDeleteKey:
            return "Clear";
        case 'u':
            return "Revert";
        case 'r':
        case 'a':
        case 'd':
        case 0x00AE:  // Option-R
        case 0x0012:  // Control-R
            return "Randomise";
        case '[':
        case ']':
            return "Bars";
        case ',':
        case '.':
            return "Tempo";
        case 't':
            return "Tap Tempo";
        default:
            return "Mute";  // the only other keys that change the groove
    }
}

void GrooveController::finishEdit(const GrooveState& before, const std::string& name,
                                  const std::string& mergeKey) {
    if (!sameGroove(before, s_)) history_.record(before, name, mergeKey);
    showHistory();
}

void GrooveController::showHistory() {
    out_.showEditHistory(history_.undoName(), history_.redoName());
}

// ---- Drag painting -----------------------------------------------------------------

void GrooveController::mouseDragged(float x, float y) {
    if (!painter_.active()) return;
    if (painter_.moveTo(s_, x, y) == 0) return;
    // The press began this edit; the cells painted since belong to it.
    history_.renameLatest("Paint");
    s_.dataTOG = 1;
    showHistory();
    out_.requestRedraw();
}

void GrooveController::mouseUp() {
    painter_.end();
}

// ---- Undo and redo -----------------------------------------------------------------

void GrooveController::undoEdit() {
    painter_.end();
    const int kit = s_.KIT;
    if (history_.undo(s_)) afterHistoryStep(kit);
}

void GrooveController::redoEdit() {
    painter_.end();
    const int kit = s_.KIT;
    if (history_.redo(s_)) afterHistoryStep(kit);
}

void GrooveController::afterHistoryStep(int oldKit) {
    s_.dataTOG = 1;
    if (s_.KIT != oldKit) initQT();
    showTempo();
    displayVolume();
    displaySounds();
    showHistory();
    out_.requestRedraw();
}

// ---- Tempo -------------------------------------------------------------------------

void GrooveController::typeTempo(int bpm) {
    const EditScope edit(*this, "Tempo");
    s_.TEMPO = std::clamp(bpm, kSlowestTempo, kFastestTempo);
    showTempo();
}

void GrooveController::tapTempo() {
    const EditScope edit(*this, "Tap Tempo", "tap");
    const auto bpm = taps_.tap(steady_ ? steady_() : steadySeconds());
    if (!bpm) return;
    s_.TEMPO = *bpm;
    showTempo();
}

// ---- Playhead ----------------------------------------------------------------------

void GrooveController::showPlayhead(int step) {
    out_.showPlayhead(step);
}

// ---- Files by path -----------------------------------------------------------------

void GrooveController::openPath(const std::string& path) {
    const bool drumSet = std::filesystem::path(path).extension() == ".set";
    s_.saveSET = drumSet ? 1 : 0;
    s_.exportMIDI = 0;
    openPanelDidEnd(true, path);
}

void GrooveController::fileOpened(const std::string& path) {
    history_.clear();
    showHistory();
    out_.noteOpenedFile(path);
}

}  // namespace pattaplex
