// The grid's keyboard commands: one character (after the layout applied the modifiers)
// and the modifier flags in, the groove and the window's controls changed.

#include <algorithm>

#include "GrooveController.h"
#include "clear_undo.h"
#include "edit_scope.h"
#include "names.h"

namespace pattaplex {

namespace {

// Option-1 .. Option-0 mute or unmute rows 1 .. 10.
constexpr char32_t kMuteKeys[kRowCount] = {0x00A1, 0x2122, 0x00A3, 0x00A2, 0x221E,
                                           0x00A7, 0x00B6, 0x2022, 0x00AA, 0x00BA};

constexpr char32_t kOptionS = 0x00DF;
constexpr char32_t kOptionO = 0x00F8;
constexpr char32_t kOptionR = 0x00AE;
constexpr char32_t kControlS = 0x0013;
constexpr char32_t kControlR = 0x0012;

constexpr int32_t kLowestTempo = 40;
constexpr int32_t kHighestTempo = 240;

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
    if (key == kUpArrow)
        s_.DRV = s_.DRV >= 127 ? 0 : s_.DRV + 1;
    else
        s_.DRV = s_.DRV <= 0 ? 127 : s_.DRV - 1;
    if (!rowSelected) return;
    s_.row(s_.DEMO).DV = s_.DRV;
    displayVolume();
}

void GrooveController::toggleMute(int n) {
    DrumRow& row = s_.row(n);
    if (row.DV != 0) {
        row.oldV = row.DV;
        row.DV = 0;
    } else {
        row.DV = row.oldV;
    }
    displayVolume();
}

void GrooveController::keyDown(char32_t c, uint32_t modifiers) {
    if (c == 0) return;  // a dead key or a bare modifier: nothing was typed
    const EditScope edit(*this, keyEditName(c), c == 't' ? "tap" : "");
    s_.key = static_cast<int32_t>(c);

    if (c >= '0' && c <= '9') {
        s_.DEMO = c == '0' ? 10 : static_cast<int32_t>(c - '0');
        doDEMO();
    }
    if (c == 'i') s_.INF = toggled(s_.INF);
    out_.setInfText(s_.INF != 0 ? "INFINITE RANDOM" : " ");

    if (c >= kUpArrow && c <= kRightArrow) handleArrow(c);

    for (int n = 1; n <= kRowCount; ++n)
        if (c == kMuteKeys[n - 1]) toggleMute(n);

    if (c == kOptionS && (modifiers & (kOptionKey | kControlKey | kCommandKey)) != 0) {
        s_.saveSET = 1;
        s_.exportMIDI = 0;
        saveFile();
    }
    if (c == kOptionO) {
        s_.saveSET = 1;
        s_.exportMIDI = 0;
        openFile();
    }
    if (c == kControlS) {
        s_.exportMIDI = 1;
        saveFile();
    }

    if (c == 'r') {
        s_.randTOG = 3;
        randomize(s_, clock_);
        out_.setUndoTitle(kRevertTitle);
    }
    if (c == 'a') {
        s_.randTOG = 5;
        randomize(s_, clock_);
        displaySounds();
        displayVolume();
        out_.setUndoTitle(kRevertTitle);
    }
    if (c == kOptionR) {
        s_.randTOG = 1;
        randomize(s_, clock_);
        displayVolume();
    }
    if (c == kControlR) {
        s_.randTOG = 4;
        randomize(s_, clock_);
        displayVolume();
    }
    if (c == 'd') {
        s_.randTOG = 2;
        randomize(s_, clock_);
        displaySounds();
    }

    // Once anything has been randomised, every key counts as a change.
    if (s_.randTOG != 0) s_.dataTOG = 1;

    if (c == 'c') s_.colTOG = toggled(s_.colTOG);
    if (c == ' ' || c == 'p') playGroove();
    if (c == '[') s_.BARS = s_.BARS > 1 ? s_.BARS - 1 : 1;
    if (c == ']') s_.BARS = s_.BARS >= 6 ? 6 : std::max(0, s_.BARS) + 1;
    if (c == 'v') s_.velTOG = toggled(s_.velTOG);
    if (c == kDeleteKey) {
        out_.setUndoTitle(kUndoTitle);
        clearBufs(s_);
    }
    if (c == 'u') {
        out_.setUndoTitle(kRevertTitle);
        undoClear();
    }

    if (c == ',' || c == '.') {
        if (c == ',')
            s_.TEMPO = s_.TEMPO <= kLowestTempo ? kHighestTempo : s_.TEMPO - 1;
        else
            s_.TEMPO = s_.TEMPO >= kHighestTempo ? kLowestTempo : s_.TEMPO + 1;
        showTempo();
    }

    if (c == 't') tapTempo();

    if (c == '/' || c == '?') out_.showSheet("Pattaplex Help", helptext);

    out_.requestRedraw();
}

}  // namespace pattaplex
