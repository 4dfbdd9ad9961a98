#pragma once
// The drawing pass of the step grid. It also settles the grid's geometry in the groove:
// it caps BARS at 54 steps and records the grid's left edge (left) and length (LNG),
// which mouse editing and the randomiser read.

#include "Canvas.h"
#include "GrooveState.h"
#include "grid_geometry.h"

namespace pattaplex {

// Paints the whole view of `width` × `height` from the groove. `playhead`, when it is a
// step of the grid, is highlighted across the rows.
void drawGrid(GrooveState& s, Canvas& canvas, double width, double height, int playhead = -1);

// The colour the drawing pass paints the background with.
Colour gridBackground(const GrooveState& s);

// Lowers BARS until the grid holds at most 54 steps and returns the number of steps
// shown: 0 when any of BARS, BEATS and SUB is not positive.
int capGrid(GrooveState& s);

}  // namespace pattaplex
