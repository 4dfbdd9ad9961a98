// Drag painting, undo and redo of whole edits, typed and tapped tempo, the playhead and
// the files opened lately.

#include <algorithm>
#include <chrono>

#include "clear_undo.h"
#include "edit_scope.h"

namespace pattaplex {

namespace {

double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string editName(Command command) {
    switch (command) {
        case Command::NextSound:
        case Command::PreviousSound:
            return "Sound";
        case Command::LouderRow:
        case Command::SofterRow:
            return "Volume";
        case Command::ToggleMute:
            return "Mute";
        case Command::RandomSteps:
        case Command::RandomAll:
        case Command::RandomVelocities:
        case Command::RandomStepsAndVelocities:
        case Command::RandomDrums:
            return "Randomise";
        case Command::FewerBars:
        case Command::MoreBars:
            return "Bars";
        case Command::ClearGrid:
            return "Clear";
        case Command::Slower:
        case Command::Faster:
            return "Tempo";
        // The others run an action that names itself (the clear/undo button by what it
        // does), or change no groove.
        default:
            return "";
    }
}

void GrooveController::finishEdit(const GrooveState& before, const std::string& name,
                                  const std::string& mergeKey) {
    if (!sameGroove(before, s_)) history_.record(before, name, mergeKey);
    showHistory();
    showUndoButton();
}

void GrooveController::showHistory() {
    out_.showEditHistory(history_.undoName(), history_.redoName());
    showTitle();  // every edit ends here, and may have left the groove unsaved
}

void GrooveController::showUndoButton(const char* word) {
    // A press clears while there is no clear to undo: the title must not promise an undo.
    std::string title = s_.undoTOG == 0 ? kClearTitle : word ? word : undoTitle_;
    if (title == kClearTitle && s_.undoTOG != 0) title = kUndoTitle;
    if (title == undoTitle_) return;
    undoTitle_ = title;
    out_.setUndoTitle(title);
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
    showGroove();
    showHistory();
    showUndoButton();
    out_.requestRedraw();
}

// ---- Tempo -------------------------------------------------------------------------

void GrooveController::typeTempo(int bpm) {
    if (tempoSetOutside()) return;
    const EditScope edit(*this, "Tempo");
    s_.TEMPO = std::clamp(bpm, kSlowestTempo, kFastestTempo);
    showTempo();
}

void GrooveController::tapTempo() {
    if (tempoSetOutside()) return;
    const EditScope edit(*this, "Tap Tempo", "tap");
    const auto bpm = taps_.tap(steady_ ? steady_() : steadySeconds());
    if (!bpm) return;
    s_.TEMPO = *bpm;
    showTempo();
}

// ---- Playhead ----------------------------------------------------------------------

void GrooveController::showPlayhead(int step) {
    playhead_ = step;
    out_.showPlayhead(step);
}

void GrooveController::followPlayhead() {
    const PlayPosition p = sound_.position();
    if (!p.playing) return;  // stopping and pausing place the playhead themselves
    // A step is heard once the device has passed it on: until then the one before it is.
    const double stepSeconds = 60.0 / (std::max(s_.TEMPO, 1) * std::max(s_.SUB, 1));
    if (stepSeconds - p.secondsToNext >= p.latency) showPlayhead(p.step);
}

// ---- Opened files ------------------------------------------------------------------

void GrooveController::fileOpened(const std::string& path) {
    history_.clear();
    showHistory();
    out_.noteOpenedFile(path);
}

}  // namespace pattaplex
