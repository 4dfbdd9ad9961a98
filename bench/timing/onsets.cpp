#include "onsets.h"

#include <algorithm>
#include <cmath>

namespace pattaplex::bench {

namespace {

constexpr size_t kSmoothing = 32;
constexpr int64_t kFineLag = 44;

Match correlate(const std::vector<float>& signal, const std::vector<float>& shape, int64_t around,
                int64_t maxLag) {
    double shapeEnergy = 0;
    for (float x : shape) shapeEnergy += double{x} * x;
    Match best;
    best.at = around;
    const auto size = static_cast<int64_t>(signal.size());
    for (int64_t at = std::max<int64_t>(around - maxLag, 0); at <= around + maxLag; ++at) {
        double dot = 0, energy = 0;
        for (size_t i = 0; i < shape.size() && at + static_cast<int64_t>(i) < size; ++i) {
            const double x = signal[static_cast<size_t>(at) + i];
            dot += x * shape[i];
            energy += x * x;
        }
        const double score = energy > 0 ? dot / std::sqrt(energy * shapeEnergy) : 0;
        if (score > best.score) best = {at, score};
    }
    return best;
}

}  // namespace

Attack attackSignal(const std::vector<float>& left, const std::vector<float>& right) {
    Attack a;
    a.diff.assign(left.size(), 0.0f);
    for (size_t i = 1; i < left.size(); ++i)
        a.diff[i] = ((left[i] + right[i]) - (left[i - 1] + right[i - 1])) * 0.5f;
    a.envelope.assign(left.size(), 0.0f);
    double sum = 0;
    for (size_t i = 0; i < left.size(); ++i) {
        sum += std::fabs(a.diff[i]);
        if (i >= kSmoothing) sum -= std::fabs(a.diff[i - kSmoothing]);
        a.envelope[i] = static_cast<float>(sum / kSmoothing);
    }
    return a;
}

Match matchNear(const Attack& signal, const Attack& shape, int64_t around, int64_t maxLag) {
    const Match coarse = correlate(signal.envelope, shape.envelope, around, maxLag);
    return correlate(signal.diff, shape.diff, coarse.at, kFineLag);
}

std::vector<int64_t> roughOnsets(const std::vector<float>& signal, float threshold, int64_t gap) {
    std::vector<int64_t> onsets;
    for (size_t i = 0; i < signal.size(); ++i) {
        if (std::fabs(signal[i]) <= threshold) continue;
        const auto at = static_cast<int64_t>(i);
        if (onsets.empty() || at - onsets.back() >= gap) onsets.push_back(at);
    }
    return onsets;
}

}  // namespace pattaplex::bench
