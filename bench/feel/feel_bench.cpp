// Feel timing benchmark, run by hand:
//   build/release/bench/feel/feel_bench
// Renders swung, ratcheted grooves offline, finds every hit's onset by matching the attack
// of the same hit rendered alone, and prints the worst onset error against the swung and
// repeated positions worked out here from the beat (target: within the synthesizer's
// 64-sample block), and the tempo heard.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "OfflineRender.h"
#include "fresh_start.h"
#include "onsets.h"

using namespace pattaplex;
using namespace pattaplex::bench;

namespace {

constexpr double kClearMatch = 0.97;
constexpr int kKey = 37;  // SideStick: a short, sharp attack

struct Case {
    int tempo, sub, swing, rate;
    std::vector<int> repeats;  // per step of the one bar, 0 = step off
};

GrooveState grooveOf(const Case& c) {
    GrooveState s = freshStartState();
    for (DrumRow& row : s.rows) row.BUF.fill(0);
    s.BARS = 1, s.BEATS = 4, s.SUB = c.sub, s.TEMPO = c.tempo, s.SWING = c.swing;
    s.row(1).DR = kKey;
    s.row(1).DV = 100;
    for (size_t k = 0; k < c.repeats.size(); ++k) {
        s.row(1).BUF[k] = c.repeats[k] > 0;
        s.row(1).VOL[k] = 100;
        s.row(1).REP[k] = std::max(c.repeats[k], 1);
    }
    return s;
}

// Where hit j of step k of pass p belongs, in samples, from the beat alone.
double expectedAt(const Case& c, int64_t pass, int k, int j) {
    const double step = c.rate * 60.0 / (c.tempo * c.sub);
    const bool swings = c.sub == 2 || c.sub == 4;
    const double share = swings ? c.swing / 50.0 : 1.0;  // of a straight step
    const bool second = swings && (k % c.sub) % 2 == 1;
    const double start =
        (static_cast<double>(pass) * 4 * c.sub + k) * step + (second ? (share - 1) * step : 0);
    const double length = (second ? 2 - share : share) * step;
    return start + j * length / c.repeats[static_cast<size_t>(k)];
}

double slope(const std::vector<double>& x, const std::vector<double>& y) {
    double mx = 0, my = 0;
    for (size_t i = 0; i < x.size(); ++i) mx += x[i], my += y[i];
    mx /= static_cast<double>(x.size()), my /= static_cast<double>(y.size());
    double sxy = 0, sxx = 0;
    for (size_t i = 0; i < x.size(); ++i)
        sxy += (x[i] - mx) * (y[i] - my), sxx += (x[i] - mx) * (x[i] - mx);
    return sxx > 0 ? sxy / sxx : 1.0;
}

void measure(const Case& c) {
    const double passSeconds = 4 * 60.0 / c.tempo;
    const int passes = static_cast<int>(std::ceil(30 / passSeconds));
    std::string why;
    const auto audio = renderToMemory(grooveOf(c), passes, why, c.rate);
    // The same hit alone: one step, one pass, its attack from sample 0.
    Case alone = c;
    alone.repeats.assign(c.repeats.size(), 0);
    alone.repeats[0] = 1;
    const auto single = renderToMemory(grooveOf(alone), 1, why, c.rate);
    if (!audio || !single) {
        std::printf("render failed: %s\n", why.c_str());
        return;
    }
    const Attack signal = attackSignal(audio->left, audio->right);
    const Attack shape =
        attackSignal(std::vector<float>(single->left.begin(), single->left.begin() + 1024),
                     std::vector<float>(single->right.begin(), single->right.begin() + 1024));
    std::vector<double> ideal, heard;
    double worst = 0;
    int unclear = 0;
    for (int64_t p = 0; p < passes; ++p)
        for (int k = 0; k < static_cast<int>(c.repeats.size()); ++k)
            for (int j = 0; j < c.repeats[static_cast<size_t>(k)]; ++j) {
                const double t = expectedAt(c, p, k, j);
                const Match m = matchNear(signal, shape, std::llround(t), 256);
                if (m.score < kClearMatch) {
                    ++unclear;
                    continue;
                }
                worst = std::max(worst, std::fabs(static_cast<double>(m.at) - t));
                ideal.push_back(t);
                heard.push_back(static_cast<double>(m.at));
            }
    std::string repeats;
    for (int r : c.repeats) repeats += std::to_string(r);
    std::printf(
        "%3d BPM  SUB %d  swing %2d %%  %6d Hz  repeats %-9s  worst onset error %5.1f samples "
        "(%.3f ms)  tempo err %.5f %%  %zu onsets, %d unclear\n",
        c.tempo, c.sub, c.swing, c.rate, repeats.c_str(), worst, worst / c.rate * 1000,
        std::fabs(1.0 / slope(ideal, heard) - 1) * 100, ideal.size(), unclear);
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const Case cases[] = {
        {120, 2, 66, 44100, {1, 2, 1, 3, 1, 1, 4, 1}},
        {120, 2, 75, 48000, {1, 1, 2, 1, 1, 3, 1, 2}},
        {96, 4, 58, 44100, {1, 1, 2, 1, 1, 3, 1, 1, 1, 1, 1, 1, 4, 1, 1, 2}},
        {140, 3, 66, 44100, {1, 2, 1, 1, 3, 1, 1, 1, 1, 1, 2, 1}},  // triplets do not swing
        {80, 2, 50, 96000, {1, 4, 1, 1, 2, 1, 3, 1}},
    };
    for (const Case& c : cases) measure(c);
    return 0;
}
