#include "tap_tempo.h"

#include <algorithm>
#include <cmath>

namespace pattaplex {

std::optional<int> TapTempo::tap(double seconds) {
    // A pause, or a clock that went backwards, begins a new count.
    if (!taps_.empty() && (seconds - taps_.back() > kForget || seconds <= taps_.back()))
        taps_.clear();
    taps_.push_back(seconds);
    while (taps_.size() > kIntervals + 1) taps_.pop_front();
    if (taps_.size() < 2) return std::nullopt;
    const double average = (taps_.back() - taps_.front()) / static_cast<double>(taps_.size() - 1);
    const double bpm = 60.0 / average;
    return static_cast<int>(
        std::lround(std::clamp(bpm, double{kSlowestTempo}, double{kFastestTempo})));
}

}  // namespace pattaplex
