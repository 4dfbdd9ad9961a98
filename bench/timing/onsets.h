#pragma once
// Finding note onsets in rendered audio, for the timing benchmark: each onset is located
// by matching the attack of the same notes rendered alone, which is independent of level
// and of the quiet first samples some recordings start with.

#include <cstdint>
#include <vector>

namespace pattaplex::bench {

// High-passed (first difference) mono signal and its smoothed magnitude.
struct Attack {
    std::vector<float> diff, envelope;
};
Attack attackSignal(const std::vector<float>& left, const std::vector<float>& right);

struct Match {
    int64_t at = 0;    // where the template's sample 0 falls
    double score = 0;  // normalised correlation, 1 = identical shape
};

// Best position of `shape` within `maxLag` samples of `around`: first by the envelopes,
// which a tone's periodic waveform cannot mislead by a period, then by the waveform itself
// within a millisecond of that.
Match matchNear(const Attack& signal, const Attack& shape, int64_t around, int64_t maxLag);

// Coarse onsets: where the signal first exceeds `threshold`, at least `gap` apart.
std::vector<int64_t> roughOnsets(const std::vector<float>& signal, float threshold, int64_t gap);

}  // namespace pattaplex::bench
