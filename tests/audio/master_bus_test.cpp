// The master bus: nothing leaves it beyond full scale, a mix below -1 dBFS passes untouched,
// the master volume scales it, and the meter reads what was put out.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <vector>

#include "MasterBus.h"
#include "NoteOutput.h"
#include "NoteSink.h"
#include "SynthEngine.h"
#include "WavFile.h"
#include "defaults.h"

namespace pattaplex {
namespace {

using Signal = std::function<float(int)>;
using Samples = std::vector<float>;
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
// At or below the ceiling of -1 dBFS (written out rather than taken from the bus), up to
// the rounding of a float; false for NaN.
bool underCeiling(float x) {
    return x == 0 || 20 * std::log10(std::fabs(double{x})) <= -1.0 + 1e-6;
}

Samples make(int frames, const Signal& f) {
    Samples s;
    for (int i = 0; i < frames; ++i) s.push_back(f(i));
    return s;
}
Signal sine(float amplitude, float hz) {
    return [=](int i) { return amplitude * std::sin(6.2831853f * hz * i / kSampleRate); };
}
float peakOf(const Samples& l, const Samples& r) {
    float p = 0;
    for (size_t i = 0; i < l.size(); ++i) p = std::max({p, std::fabs(l[i]), std::fabs(r[i])});
    return p;
}
// Runs both channels through the bus in blocks of `size` frames.
void run(MasterBus& bus, Samples& l, Samples& r, int size) {
    for (size_t at = 0; at < l.size(); at += static_cast<size_t>(size))
        bus.process(&l[at], &r[at], static_cast<int>(std::min(l.size() - at, size_t(size))));
}

TEST(MasterBus, NothingLeavesBeyondFullScaleAndTheQuietMixAfterwardsIsUntouched) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<Signal, Signal> worst[] = {
        {[](int i) { return (i / 50) % 2 ? 10.0f : -10.0f; },  // ten full-scale squares
         [](int i) { return (i / 37) % 2 ? -10.0f : 10.0f; }},
        {[](int i) { return i % 997 == 500 ? 40.0f : 0.0f; },  // spikes after silence
         [](int i) { return i % 997 == 501 ? -1e30f : 0.0f; }},
        {sine(3.0f, 40), sine(-2.5f, 40)},  // a loud bass
        {[=](int i) { return i % 3 ? inf : kNan; }, [=](int) { return -inf; }},
    };
    for (size_t w = 0; w < std::size(worst); ++w) {
        for (int size : {1, 64, 1000}) {
            SCOPED_TRACE("case " + std::to_string(w) + ", blocks of " + std::to_string(size));
            MasterBus bus(kSampleRate);
            Samples l = make(kSampleRate / 2, worst[w].first),
                    r = make(kSampleRate / 2, worst[w].second);
            run(bus, l, r, size);
            EXPECT_TRUE(std::all_of(l.begin(), l.end(), underCeiling) &&
                        std::all_of(r.begin(), r.end(), underCeiling));  // no NaN either
            EXPECT_TRUE(underCeiling(bus.takePeak()));
            // Two seconds later the limiter has let go: a mix below -1 dBFS is untouched.
            Samples rl = make(2 * kSampleRate, sine(0.1f, 440)), rr = rl;
            run(bus, rl, rr, size);
            const Samples ql = make(4096, sine(0.3f, 440)), qr = make(4096, sine(-0.885f, 100));
            Samples ol = ql, orr = qr;
            run(bus, ol, orr, size);
            EXPECT_TRUE(ol == ql && orr == qr);
            EXPECT_EQ(bus.takePeak(), peakOf(ql, qr));  // the meter reads it, last block too
        }
    }
}

TEST(MasterBus, TheMasterVolumeScalesTheMixFromTheNextBlockOn) {
    const std::pair<float, float> volumes[] = {{0.5f, 0.5f}, {0.0f, 0.0f},  {0.25f, 0.25f},
                                               {3.0f, 1.0f}, {-1.0f, 0.0f}, {kNan, 1.0f}};
    const Samples in = make(256, sine(0.8f, 440));
    for (const auto& [set, heard] : volumes) {
        SCOPED_TRACE(set);
        MasterBus bus(kSampleRate);
        bus.setVolume(set);
        Samples glide = in, glideR = in, after = in, afterR = in;
        bus.process(glide.data(), glideR.data(), 256);
        bus.process(after.data(), afterR.data(), 256);
        // The first block glides there, without a jump; the next is scaled throughout.
        for (size_t i = 0; i < in.size(); ++i) {
            const float g = 1.0f + (heard - 1.0f) * static_cast<float>(i + 1) / 256;
            ASSERT_NEAR(glide[i], in[i] * g, 1e-6f);
            ASSERT_NEAR(after[i], in[i] * heard, 1e-6f);
        }
    }
    // The window's volume reaches the live output and every synthesizer made later, so
    // audio exports follow it.
    GrooveState groove;
    NoteOutput output(groove);
    output.setMasterVolume(0.3f);
    EXPECT_EQ(output.engine().masterBus().volume(), 0.3f);
    EXPECT_EQ(SynthEngine().masterBus().volume(), 0.3f);
    output.setMasterVolume(1.0f);
}

TEST(MasterBus, TheMeterReadsThePeakOfTheSynthesizersRenderedBlocks) {
    SynthEngine engine;
    ASSERT_FALSE(engine.load());
    ASSERT_TRUE(engine.selectPreset(*kitPreset(kDefaultKit)));
    NoteCommand snare;
    snare.key = 38, snare.velocity = 127;
    engine.send(snare);
    for (float volume : {1.0f, 0.5f}) {
        engine.masterBus().setVolume(volume);
        Samples l(2048), r(2048);
        engine.render(l.data(), r.data(), 2048);
        EXPECT_GT(peakOf(l, r), 0.05f);
        EXPECT_EQ(engine.masterBus().takePeak(), peakOf(l, r));
    }
}

TEST(WavWriter, SamplesBeyondFullScaleAreClampedNeverWrapped) {
    const Samples left{1.5f, -3.0f, kNan, 0.5f}, right{1e9f, -1.0001f, 1.0f, -0.5f};
    const std::vector<int16_t> expected{32767, 32767, -32768, -32768, 0, 32767, 16384, -16384};
    for (const char* kind : {".wav", ".flac"}) {
        const std::string path =
            testing::TempDir() + "pattaplex-clamp-" + std::to_string(getpid()) + kind;
        WavWriter file;
        ASSERT_FALSE(file.open(path, kSampleRate));
        file.write(left.data(), right.data(), 4);
        ASSERT_FALSE(file.close());
        const auto read = readWav16(path);
        std::remove(path.c_str());
        ASSERT_TRUE(read);
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_NEAR(read->first[i], expected[i], 1) << kind << " sample " << i;
    }
}

}  // namespace
}  // namespace pattaplex
