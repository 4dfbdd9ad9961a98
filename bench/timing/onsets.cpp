#include "onsets.h"

#include <algorithm>
#include <cmath>

namespace pattaplex::bench {

std::vector<float> attackSignal(const std::vector<float>& left, const std::vector<float>& right) {
    std::vector<float> a(left.size(), 0.0f);
    for (size_t i = 1; i < left.size(); ++i)
        a[i] = ((left[i] + right[i]) - (left[i - 1] + right[i - 1])) * 0.5f;
    return a;
}

Match matchNear(const std::vector<float>& signal, const std::vector<float>& shape, int64_t around,
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
