#pragma once
// A groove as a freshly started program holds it, for tools that act as one.

#include "GrooveState.h"

namespace pattaplex {

// Start-up values, the defaults with every row's velocities filled, and the grid
// geometry (LNG, left) of the first drawing pass.
GrooveState freshStartState();

}  // namespace pattaplex
