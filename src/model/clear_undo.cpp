#include "clear_undo.h"

#include <algorithm>

namespace pattaplex {

namespace {

bool anyStep(const GrooveState& s, bool inUndoCopy) {
    return std::any_of(s.rows.begin(), s.rows.end(), [inUndoCopy](const DrumRow& row) {
        const auto& steps = inUndoCopy ? row.undo : row.BUF;
        return std::any_of(steps.begin(), steps.begin() + kWorkedSteps,
                           [](int32_t step) { return step != 0; });
    });
}

}  // namespace

void clearBufs(GrooveState& s) {
    s.undoTOG = 1;
    if (!anyStep(s, false) && anyStep(s, true)) return;
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
    if (s.undoTOG != 0) {
        undoClear(s);
        return kClearTitle;
    }
    clearBufs(s);
    return kUndoTitle;
}

}  // namespace pattaplex
