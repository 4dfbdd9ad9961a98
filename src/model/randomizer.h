#pragma once
// The randomiser: random steps, velocities and row sounds in five modes.

#include <cstdint>
#include <functional>

#include "GrooveState.h"

namespace pattaplex {

// Seconds of the wall clock; the randomiser seeds itself from it on every run.
using SecondsClock = std::function<int64_t()>;
int64_t systemSeconds();

// Runs the mode held in randTOG (0 nothing, 1 velocities, 2 row sounds, 3 steps with the
// row volume, 4 steps and velocities, 5 everything). Step positions lie below LNG.
void randomize(GrooveState& s, const SecondsClock& clock = systemSeconds);

}  // namespace pattaplex
