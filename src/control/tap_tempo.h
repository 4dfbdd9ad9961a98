#pragma once
// Tempo from taps: the average of the last intervals between taps, in beats per minute.

#include <deque>
#include <optional>

namespace pattaplex {

class TapTempo {
  public:
    static constexpr int kIntervals = 4;    // intervals averaged
    static constexpr double kForget = 2.0;  // seconds: a longer pause starts afresh
    static constexpr int kSlowest = 40;
    static constexpr int kFastest = 240;

    // A tap at `seconds` on a steady clock. Returns the tempo once there are two taps
    // close enough together, clamped to kSlowest..kFastest.
    std::optional<int> tap(double seconds);

  private:
    std::deque<double> taps_;
};

}  // namespace pattaplex
