// The master bus: nothing leaves it beyond full scale, the normal mix passes untouched,
// the master volume scales it, and the meter reads what was put out.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <vector>

#include "MasterBus.h"
#include "NoteSink.h"
#include "SynthEngine.h"
#include "WavFile.h"
#include "defaults.h"
#include "kit_mapping.h"

namespace pattaplex {
namespace {

using Signal = std::function<float(int)>;

struct Block {
    std::vector<float> left, right;
    float peak() const {
        float p = 0;
        for (size_t i = 0; i < left.size(); ++i)
            p = std::max({p, std::fabs(left[i]), std::fabs(right[i])});
        return p;
    }
};

Block make(int frames, const Signal& l, const Signal& r, int from = 0) {
    Block b;
    for (int i = from; i < from + frames; ++i) b.left.push_back(l(i)), b.right.push_back(r(i));
    return b;
}

// Runs `b` through the bus in blocks of `size` frames.
void run(MasterBus& bus, Block& b, int size) {
    const int frames = static_cast<int>(b.left.size());
    for (int at = 0; at < frames; at += size)
        bus.process(b.left.data() + at, b.right.data() + at, std::min(size, frames - at));
}

Signal sine(float amplitude, float hz) {
    return [=](int i) { return amplitude * std::sin(2 * 3.14159265f * hz * i / kSampleRate); };
}

TEST(MasterBus, NothingLeavesBeyondFullScaleAndQuietSoundAfterwardsIsUntouched) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* name;
        Signal left, right;
    } worst[] = {
        {"ten full-scale squares", [](int i) { return (i / 50) % 2 ? 10.0f : -10.0f; },
         [](int i) { return (i / 37) % 2 ? -10.0f : 10.0f; }},
        {"spikes after silence", [](int i) { return i % 997 == 500 ? 40.0f : 0.0f; },
         [](int i) { return i % 997 == 501 ? -1e30f : 0.0f; }},
        {"loud bass", sine(3.0f, 40), sine(-2.5f, 40)},
        {"broken samples", [=](int i) { return i % 3 ? inf : nan; }, [=](int) { return -inf; }},
    };
    for (const auto& w : worst) {
        for (int size : {1, 64, 1000}) {
            SCOPED_TRACE(std::string(w.name) + ", blocks of " + std::to_string(size));
            MasterBus bus(kSampleRate);
            Block loud = make(kSampleRate / 2, w.left, w.right);
            run(bus, loud, size);
            for (size_t i = 0; i < loud.left.size(); ++i)
                ASSERT_TRUE(std::fabs(loud.left[i]) <= MasterBus::kThreshold &&
                            std::fabs(loud.right[i]) <= MasterBus::kThreshold)
                    << "frame " << i << ": " << loud.left[i] << ", " << loud.right[i];
            EXPECT_LE(bus.takePeak(), MasterBus::kThreshold);

            // Two seconds later the limiter has let go again.
            Block rest = make(2 * kSampleRate, sine(0.1f, 440), sine(0.1f, 440));
            run(bus, rest, size);
            const Block quiet = make(4096, sine(0.8f, 440), sine(-0.3f, 100));
            Block out = quiet;
            run(bus, out, size);
            EXPECT_EQ(out.left, quiet.left);
            EXPECT_EQ(out.right, quiet.right);
        }
    }
}

TEST(MasterBus, BelowTheThresholdTheMixPassesBitForBitAndIsMetered) {
    const float justBelow = MasterBus::kThreshold * 0.999f;
    const Block in[] = {
        make(5000, sine(justBelow, 1000), sine(justBelow, 60)),
        make(
            5000, [](int i) { return (i * 7919 % 2001 - 1000) * 0.00089f; },
            [](int i) { return (i * 104729 % 2001 - 1000) * -0.00089f; }),
        make(
            300, [](int) { return 0.0f; }, [](int i) { return i == 299 ? -0.5f : 0.0f; }),
    };
    for (const Block& b : in) {
        MasterBus bus(kSampleRate);
        Block out = b;
        run(bus, out, 128);
        EXPECT_EQ(out.left, b.left);
        EXPECT_EQ(out.right, b.right);
        EXPECT_EQ(bus.takePeak(), b.peak());
        EXPECT_EQ(bus.takePeak(), 0.0f);  // each reading starts a new measure
    }
}

TEST(MasterBus, TheMasterVolumeScalesTheMixFromTheNextBlockOn) {
    const struct {
        float set, heard;
    } volumes[] = {{0.5f, 0.5f}, {0.0f, 0.0f},  {0.25f, 0.25f},
                   {3.0f, 1.0f}, {-1.0f, 0.0f}, {std::numeric_limits<float>::quiet_NaN(), 1.0f}};
    const Block in = make(256, sine(0.8f, 440), sine(-0.6f, 220), 1);
    for (const auto& v : volumes) {
        SCOPED_TRACE(v.set);
        MasterBus bus(kSampleRate);
        bus.setVolume(v.set);
        Block glide = in, after = in;
        bus.process(glide.left.data(), glide.right.data(), 256);
        bus.process(after.left.data(), after.right.data(), 256);
        // The first block glides there, without a jump; the next is scaled throughout.
        for (size_t i = 0; i < in.left.size(); ++i) {
            const float g = 1.0f + (v.heard - 1.0f) * static_cast<float>(i + 1) / 256;
            ASSERT_NEAR(glide.left[i], in.left[i] * g, 1e-6f);
            ASSERT_NEAR(after.left[i], in.left[i] * v.heard, 1e-6f);
            ASSERT_NEAR(after.right[i], in.right[i] * v.heard, 1e-6f);
        }
    }
    // A bus made later starts at the volume the window last set: renders follow it.
    MasterBus::setProgramVolume(0.3f);
    EXPECT_EQ(SynthEngine().masterBus().volume(), 0.3f);
    MasterBus::setProgramVolume(1.0f);
}

TEST(MasterBus, TheMeterReadsThePeakOfTheSynthesizersRenderedBlocks) {
    SynthEngine engine;
    ASSERT_FALSE(engine.load());
    ASSERT_TRUE(engine.selectPreset(*kitPreset(kDefaultKit)));
    NoteCommand on;
    on.key = 38, on.velocity = 127;  // a snare at full velocity
    engine.send(on);
    for (float volume : {1.0f, 0.5f}) {
        engine.masterBus().setVolume(volume);
        Block block{std::vector<float>(2048), std::vector<float>(2048)};
        engine.render(block.left.data(), block.right.data(), 2048);
        EXPECT_GT(block.peak(), 0.05f);
        EXPECT_EQ(engine.masterBus().takePeak(), block.peak());
    }
}

TEST(WavWriter, SamplesBeyondFullScaleAreClampedNeverWrapped) {
    const std::string path = testing::TempDir() + "pattaplex_clamp_test.wav";
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> left{1.5f, -3.0f, nan, 0.5f}, right{1e9f, -1.0001f, 1.0f, -0.5f};
    WavWriter wav;
    ASSERT_FALSE(wav.open(path));
    wav.write(left.data(), right.data(), 4);
    ASSERT_FALSE(wav.close());
    const auto read = readWav16(path);
    std::remove(path.c_str());
    ASSERT_TRUE(read);
    const std::vector<int16_t> expected{32767, 32767, -32768, -32768, 0, 32767, 16384, -16384};
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(read->first[i], expected[i], 1) << "sample " << i;
}

}  // namespace
}  // namespace pattaplex
