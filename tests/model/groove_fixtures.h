#pragma once
// Shared set-ups for the groove model tests: the window-side sequences of the defaults
// and previous-settings actions, and grooves with known contents.

#include <ostream>
#include <vector>

#include "GrooveState.h"
#include "randomizer.h"

namespace pattaplex {
// A readable summary for failure messages instead of a byte dump.
void PrintTo(const GrooveState& s, std::ostream* os);
}  // namespace pattaplex

namespace pattaplex::test {

// The state side of the defaults and previous-settings actions, in the order the
// actions run it (the note output and the panel are the controller's).
void setDefaultsAction(GrooveState& s);
void setPrevAction(GrooveState& s);

// A started program whose grid holds steps: every row n has its first 64 steps on with
// the value 100 + n, per-step velocities 10 * n + s % 7, and distinct notes and volumes.
GrooveState busyGroove();

// A clock that always reads the given seconds.
SecondsClock fixedClock(int64_t seconds);

// Step numbers that are on (non-zero) among entries 0..79 of a row's buffer.
std::vector<int> onSteps(const DrumRow& row);

}  // namespace pattaplex::test
