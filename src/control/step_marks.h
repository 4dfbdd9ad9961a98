#pragma once
// What the grid shows of an active step's feel: its velocity as the height of a shaded
// fill, a tick for each of its repeats, and its bullet fainter the less sure it is.

#include "Canvas.h"
#include "GrooveState.h"

namespace pattaplex {

// Under the bullet of `step` of `row`, drawn at column x with its row band's top line at
// `top`.
void drawStepFeel(Canvas& canvas, const DrumRow& row, int step, double x, double top, Colour ink);

// The bullet's colour: `ink` fainter for a step that may stay silent.
Colour bulletColour(const DrumRow& row, int step, Colour ink);

}  // namespace pattaplex
