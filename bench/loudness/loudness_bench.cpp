// Output level benchmark, run by hand:
//   build/dev/bench/loudness/loudness_bench
// Renders, through the same path as `pattaplex-cli render` (four passes and the release
// tail, master volume 100 %), every preset and one step of all ten rows at velocity 127
// on every kit, and prints each render's peak and RMS in dBFS. "mix peak" is the level
// the synthesizer's mix reaches before the limiter (rendered again at -12 dB master
// volume and brought back up), so the two peaks differ only where the limiter worked.
// Last, the master bus's own cost on the audio thread, per second of limited stereo sound.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "MasterBus.h"
#include "NoteSink.h"
#include "OfflineRender.h"
#include "defaults.h"
#include "fresh_start.h"
#include "names.h"
#include "presets.h"

using namespace pattaplex;

namespace {

constexpr float kQuarter = 0.25f;  // -12.04 dB

double dB(double level) {
    return level > 0 ? 20 * std::log10(level) : -999.0;
}

struct Level {
    double peak = 0, rms = 0;
};

Level measure(const RenderedAudio& a) {
    double peak = 0;
    for (size_t i = 0; i < a.left.size(); ++i)
        peak = std::max({peak, std::fabs(double{a.left[i]}), std::fabs(double{a.right[i]})});
    // RMS over the passes; the release tail is left out, as a looping groove has none.
    const size_t n = std::max<size_t>(a.passesEnd, 1);
    double passSum = 0;
    for (size_t i = 0; i < std::min(n, a.left.size()); ++i)
        passSum += double{a.left[i]} * a.left[i] + double{a.right[i]} * a.right[i];
    return {peak, std::sqrt(passSum / (2.0 * static_cast<double>(n)))};
}

bool report(const std::string& name, const GrooveState& s, int passes) {
    std::string why;
    MasterBus::setProgramVolume(kQuarter);
    const auto quiet = renderToMemory(s, passes, why);
    MasterBus::setProgramVolume(1.0f);
    const auto full = renderToMemory(s, passes, why);
    if (!quiet || !full) {
        std::printf("%-24s cannot render: %s\n", name.c_str(), why.c_str());
        return false;
    }
    const Level out = measure(*full), mix = measure(*quiet);
    std::printf("%-24s %8.1f %8.1f %8.1f\n", name.c_str(), dB(mix.peak / kQuarter), dB(out.peak),
                dB(out.rms));
    return true;
}

}  // namespace

int main() {
    bool ok = true;
    std::printf("%-24s %8s %8s %8s   (dBFS)\n", "preset", "mix peak", "peak", "RMS");
    for (int tag = 1; tag <= kPresetCount; ++tag) {
        GrooveState s = freshStartState();
        doPreset(s, tag, [] { return int64_t{20260101}; });
        ok &= report(presetName(tag).value_or("?"), s, 4);
    }
    std::printf("\n%-24s %8s %8s %8s   (dBFS)\n", "ten rows at 127 on", "mix peak", "peak", "RMS");
    for (const KitName& kit : kKitNames) {
        GrooveState s = freshStartState();
        std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO, s.KIT) = std::make_tuple(1, 1, 1, 60, kit.kit);
        for (DrumRow& row : s.rows) {
            row.BUF.fill(0);
            row.BUF[0] = row.DR;
            row.VOL[0] = 127;
            row.DV = 127;
        }
        ok &= report(kit.name, s, 1);
    }

    // Loud enough that the limiter works on most samples, in blocks of 128 frames.
    std::vector<float> left(128), right(128);
    MasterBus bus(kSampleRate);
    const int blocks = kSampleRate * 60 / 128;
    const auto start = std::chrono::steady_clock::now();
    for (int b = 0; b < blocks; ++b) {
        for (int i = 0; i < 128; ++i) left[i] = right[i] = ((b * 128 + i) % 200 - 100) * 0.05f;
        bus.process(left.data(), right.data(), 128);
    }
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    std::printf("\nmaster bus: %.1f us per second of limited sound (a minute in %.1f ms)\n",
                took.count() / 60, took.count() / 1000);
    return ok ? 0 : 1;
}
