#include "GrooveState.h"

#include <cstdint>

namespace pattaplex {

int stepCount(const GrooveState& s) {
    if (s.BARS <= 0 || s.BEATS <= 0 || s.SUB <= 0) return 0;
    int64_t perBar = int64_t{s.BEATS} * s.SUB;
    if (perBar > kMaxShownSteps) return 0;  // the drawing pass lowers BARS to 0 here
    int64_t bars = s.BARS;
    while (bars * perBar > kMaxShownSteps) --bars;  // as the drawing pass caps it
    return static_cast<int>(bars * perBar);
}

}  // namespace pattaplex
