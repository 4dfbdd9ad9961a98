#include "GrooveState.h"

#include <algorithm>
#include <cstdint>

namespace pattaplex {

int32_t cappedBars(int32_t bars, int32_t beats, int32_t sub) {
    // The same as lowering the bars one at a time while the grid holds more than 54
    // steps, without the endless loop or overflow that numbers from a file would cause.
    const int64_t perBar = int64_t{beats} * sub;
    if (perBar > 0 && bars > kMaxShownSteps / perBar)
        return static_cast<int32_t>(kMaxShownSteps / perBar);
    return bars;
}

int stepCount(const GrooveState& s) {
    const int32_t bars = cappedBars(s.BARS, s.BEATS, s.SUB);
    if (bars <= 0 || s.BEATS <= 0 || s.SUB <= 0) return 0;
    return bars * s.BEATS * s.SUB;
}

bool isChance(int32_t percent) {
    return std::find(kChances.begin(), kChances.end(), percent) != kChances.end();
}

void resetStepFeel(GrooveState& s) {
    for (DrumRow& row : s.rows) {
        row.REP.fill(1);
        row.CHANCE.fill(kSurely);
    }
}

}  // namespace pattaplex
