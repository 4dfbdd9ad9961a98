#include "clear_undo.h"

namespace pattaplex {

void clearBufs(GrooveState& s) {
    s.undoTOG = 1;
    for (DrumRow& row : s.rows)
        for (int i = 0; i < kWorkedSteps; ++i) row.undo[i] = row.BUF[i];
    for (DrumRow& row : s.rows)
        for (int i = 0; i < kWorkedSteps; ++i) row.BUF[i] = 0;
    for (DrumRow& row : s.rows) row.oldD = row.DR;
}

void undoClear(GrooveState& s) {
    s.undoTOG = s.undoTOG == 0 ? 1 : 0;
    if (s.undoTOG == 0) {
        for (DrumRow& row : s.rows)
            for (int i = 0; i < kWorkedSteps; ++i) row.BUF[i] = row.undo[i];
    }
    for (DrumRow& row : s.rows) row.DR = row.oldD;
}

const char* cleanBufs(GrooveState& s) {
    if (s.undoTOG == 0) {
        undoClear(s);
        return kRevertTitle;
    }
    clearBufs(s);
    return kUndoTitle;
}

}  // namespace pattaplex
