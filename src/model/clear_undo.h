#pragma once
// Clearing the grid with one undo copy, and undoing it.

#include "GrooveState.h"

namespace pattaplex {

inline constexpr const char* kUndoTitle = "Undo";
inline constexpr const char* kRevertTitle = "Revert";

// Copies the steps to the undo copy, empties the grid and records every row's note.
void clearBufs(GrooveState& s);

// Flips undoTOG; when it becomes 0 the steps of the last clear come back. Every row's
// note returns to the one recorded at the last clear. The caller refreshes and redraws.
void undoClear(GrooveState& s);

// The clear/undo button: undoes when undoTOG is 0, clears otherwise. Returns the
// button's new title.
const char* cleanBufs(GrooveState& s);

}  // namespace pattaplex
