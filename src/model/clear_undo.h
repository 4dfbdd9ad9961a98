#pragma once
// Clearing the grid with one undo copy, and undoing it.

#include "GrooveState.h"

namespace pattaplex {

// Titles of the clear/undo button, each saying what a press does next.
inline constexpr const char* kClearTitle = "Clear";
inline constexpr const char* kUndoTitle = "Undo";
inline constexpr const char* kRevertTitle = "Revert";

// Copies the steps to the undo copy, empties the grid and records every row's note. An
// empty grid leaves a non-empty undo copy and its notes alone, so a second clear never
// loses the steps of the first.
void clearBufs(GrooveState& s);

// Flips undoTOG; when it becomes 0 the steps of the last clear come back. Every row's
// note returns to the one recorded at the last clear. The caller refreshes and redraws.
void undoClear(GrooveState& s);

// The clear/undo button: undoes the last clear while there is one to undo (undoTOG 1),
// clears otherwise. Returns the button's new title.
const char* cleanBufs(GrooveState& s);

}  // namespace pattaplex
