// The grid's keyboard commands: one character (after the layout applied the modifiers)
// and the modifier flags in, the groove and the window's controls changed.

#include <algorithm>

#include "GrooveController.h"
#include "clear_undo.h"
#include "edit_scope.h"
#include "names.h"

namespace pattaplex {

namespace {

int32_t toggled(int32_t flag) {
    return flag == 0 ? 1 : 0;
}

}  // namespace

void GrooveController::handleArrow(char32_t key) {
    const bool rowSelected = s_.isRowNumber(s_.DEMO);
    if (rowSelected) {
        s_.DRC = noteIndex(s_.row(s_.DEMO).DR);
        s_.DRV = s_.row(s_.DEMO).DV;
    }
    if (key == kRightArrow || key == kLeftArrow) {
        if (key == kRightArrow)
            s_.DRC = s_.DRC >= 49 ? 0 : s_.DRC + 1;
        else
            s_.DRC = s_.DRC <= 0 ? 49 : s_.DRC - 1;
        if (!rowSelected) return;
        const int n = s_.DEMO;
        s_.row(n).DR = s_.DRC + kLowestNamedNote;
        if (!s_.isDrumKit()) {
            displayNotes();
        } else {
            // Only this row's controls change; the kit name stays as it is.
            out_.setSoundSelector(n, s_.DRC);
            if (auto name = soundName(s_.KIT, s_.row(n).DR)) out_.setSoundName(n, *name);
        }
        return;
    }
    // The volume stops at its ends: a row at full volume is never muted by one more Up.
    const int64_t step = key == kUpArrow ? 1 : -1;
    s_.DRV = static_cast<int32_t>(std::clamp<int64_t>(int64_t{s_.DRV} + step, 0, 127));
    if (!rowSelected) return;
    s_.row(s_.DEMO).DV = s_.DRV;
    displayVolume();
}

void GrooveController::toggleMute(int n) {
    DrumRow& row = s_.row(n);
    if (row.DV != 0) {
        row.rememberVolume(row.DV);
        row.DV = 0;
    } else {
        row.DV = row.oldV;
    }
    displayVolume();
}

void GrooveController::keyDown(char32_t c, uint32_t modifiers) {
    if (c == 0) return;  // a dead key or a bare modifier: nothing was typed
    const auto k = commandForKey(c, modifiers);
    const EditScope edit(*this, k ? editName(k->command) : std::string());
    s_.key = static_cast<int32_t>(c);
    if (k) perform(k->command, k->value);
    finishKey();
}

void GrooveController::run(Command command, int value) {
    // Undo and redo step through the edits instead of making one.
    if (command == Command::UndoEdit) return undoEdit();
    if (command == Command::RedoEdit) return redoEdit();
    const EditScope edit(*this, command);
    const char32_t key = keyForCommand(command, value);
    if (key == 0) {
        perform(command, value);
        return;
    }
    // A key command from a menu works as its key does: play/pause, for one, goes by
    // the last key.
    s_.key = static_cast<int32_t>(key);
    perform(command, value);
    finishKey();
}

// What every key press does after its command.
void GrooveController::finishKey() {
    out_.setInfText(s_.INF != 0 ? "INFINITE RANDOM" : " ");
    // Once anything has been randomised, every key counts as a change.
    if (s_.randTOG != 0) s_.dataTOG = 1;
    out_.requestRedraw();
}

void GrooveController::randomizeBy(int mode) {
    s_.randTOG = mode;
    randomize(s_, clock_);
}

void GrooveController::perform(Command command, int value) {
    switch (command) {
        case Command::SelectRow:
            if (!s_.isRowNumber(value)) return;
            s_.DEMO = value;
            doDEMO();
            return;
        case Command::ToggleMute:
            if (s_.isRowNumber(value)) toggleMute(value);
            return;
        case Command::NextSound:
            return handleArrow(kRightArrow);
        case Command::PreviousSound:
            return handleArrow(kLeftArrow);
        case Command::LouderRow:
            return handleArrow(kUpArrow);
        case Command::SofterRow:
            return handleArrow(kDownArrow);
        case Command::ToggleInfiniteRandom:
            s_.INF = toggled(s_.INF);
            return;
        case Command::SaveDrumSet:
            return saveDrums();
        case Command::OpenDrumSet:
            s_.exportMIDI = 0;
            return openDrums();
        case Command::ExportMidi:
            return saveMIDI();
        case Command::RandomSteps:
            randomizeBy(3);
            return showUndoButton(kRevertTitle);
        case Command::RandomAll:
            randomizeBy(5);
            displaySounds();
            displayVolume();
            return showUndoButton(kRevertTitle);
        case Command::RandomVelocities:
            randomizeBy(1);
            displayVolume();
            return;
        case Command::RandomStepsAndVelocities:
            randomizeBy(4);
            displayVolume();
            return;
        case Command::RandomDrums:
            randomizeBy(2);
            displaySounds();
            return;
        case Command::ToggleDarkGrid:
            s_.colTOG = toggled(s_.colTOG);
            return;
        case Command::PlayStop:
        case Command::PlayPause:
        case Command::Play:
            return playGroove();
        case Command::FewerBars:
            s_.BARS = s_.BARS > 1 ? s_.BARS - 1 : 1;
            return;
        case Command::MoreBars:
            s_.BARS = s_.BARS >= 6 ? 6 : std::max(0, s_.BARS) + 1;
            return gridResized(false);
        case Command::ToggleVelocities:
            s_.velTOG = toggled(s_.velTOG);
            return;
        case Command::ClearGrid:
            clearBufs(s_);
            return showUndoButton(kUndoTitle);
        case Command::UndoClear:
            undoClear();
            return showUndoButton(kRevertTitle);
        case Command::Slower:
            if (tempoSetOutside()) return;
            s_.TEMPO = s_.TEMPO <= kSlowestTempo ? kFastestTempo : s_.TEMPO - 1;
            return showTempo();
        case Command::Faster:
            if (tempoSetOutside()) return;
            s_.TEMPO = s_.TEMPO >= kFastestTempo ? kSlowestTempo : s_.TEMPO + 1;
            return showTempo();
        case Command::Help:
            return out_.showSheet("Pattaplex Help", helpText());
        case Command::CleanBufs:
            return cleanBufs();
        case Command::SetVolumes:
            return setPos();
        case Command::Defaults:
            return setDefaults();
        case Command::Previous:
            return setPrev();
        case Command::FixSound:
            return fixQT();
        case Command::Audition:
            return setTest(value);
        case Command::Preset:
            return doPreset(value);
        case Command::Random:
            return doRandom(value);
        case Command::Kit:
            return setKit(value);
        case Command::Bars:
            return setBars(value);
        case Command::Beats:
            return setBeats(value);
        case Command::Division:
            return setDiv(value);
        case Command::SaveGroove:
            return saveFile();
        case Command::SaveGrooveAs:
            return saveFileAs();
        case Command::OpenGroove:
            return openFile();
        case Command::Quit:
            return quit();
        case Command::TapTempo:
            return tapTempo();
        case Command::UndoEdit:
            return undoEdit();
        case Command::RedoEdit:
            return redoEdit();
        case Command::ExportAudio:
            return out_.beginAudioExport();
    }
}

}  // namespace pattaplex
