#pragma once
// Tempo from taps: the average of the last intervals between taps, in beats per minute.

#include <deque>
#include <optional>

#include "GrooveState.h"

namespace pattaplex {

class TapTempo {
  public:
    static constexpr int kIntervals = 4;    // intervals averaged
    static constexpr double kForget = 2.0;  // seconds: a longer pause starts afresh

    // A tap at `seconds` on a steady clock. Returns the tempo once there are two taps
    // close enough together, clamped to the tempo controls' range.
    std::optional<int> tap(double seconds);

  private:
    std::deque<double> taps_;
};

}  // namespace pattaplex
