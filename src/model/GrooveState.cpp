#include "GrooveState.h"

#include <algorithm>
#include <cstdint>

namespace pattaplex {

int stepCount(const GrooveState& s) {
    if (s.BARS <= 0 || s.BEATS <= 0 || s.SUB <= 0) return 0;
    int64_t perBar = int64_t{s.BEATS} * s.SUB;
    if (perBar > kMaxShownSteps) return 0;  // the drawing pass lowers BARS to 0 here
    // The drawing pass lowers BARS one at a time until the grid fits; jump straight to
    // where that ends, so a huge BARS from a file costs no time.
    const int64_t bars = std::min<int64_t>(s.BARS, kMaxShownSteps / perBar);
    return static_cast<int>(bars * perBar);
}

}  // namespace pattaplex
