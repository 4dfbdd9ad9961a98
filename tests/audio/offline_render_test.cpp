// Rendering grooves offline: notes sound where the grid puts them and nowhere else, and
// every note a step starts is stopped.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "EngineSink.h"
#include "OfflineRender.h"
#include "StepClock.h"
#include "SynthEngine.h"
#include "WavFile.h"
#include "defaults.h"

namespace pattaplex {
namespace {

constexpr size_t kSecond = 44100;

float peak(const RenderedAudio& a, size_t from, size_t to) {
    float p = 0;
    for (size_t i = from; i < std::min(to, a.left.size()); ++i)
        p = std::max({p, std::fabs(a.left[i]), std::fabs(a.right[i])});
    return p;
}

size_t firstAbove(const RenderedAudio& a, size_t from, float level) {
    for (size_t i = from; i < a.left.size(); ++i)
        if (std::fabs(a.left[i]) > level || std::fabs(a.right[i]) > level) return i;
    return a.left.size();
}

// A fresh program's groove with one side stick on step 2 of four, at 60 BPM: one second
// a step.
GrooveState oneNote(int step = 2) {
    GrooveState s = freshStartState();
    s.BARS = 1;
    s.BEATS = 4;
    s.SUB = 1;
    s.TEMPO = 60;
    for (DrumRow& row : s.rows) row.BUF.fill(0);
    s.row(2).DR = 37;
    s.row(2).BUF[static_cast<size_t>(step)] = 37;
    return s;
}

TEST(OfflineRender, AOneNoteGrooveSoundsOnItsStepAndIsSilentElsewhere) {
    std::string why;
    // The side stick's recording starts with a few quiet samples: measure them on a note
    // at sample 0.
    const auto reference = renderGroove(oneNote(0), 1, why);
    ASSERT_TRUE(reference) << why;
    const float silent = 1.0f / 32768;
    const size_t lead = firstAbove(*reference, 0, silent);
    ASSERT_LT(lead, 200u);

    const auto audio = renderGroove(oneNote(), 2, why);
    ASSERT_TRUE(audio) << why;
    EXPECT_EQ(audio->passesEnd, 8 * kSecond);
    ASSERT_GT(audio->left.size(), audio->passesEnd);  // the release tail follows
    for (size_t pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        const size_t start = pass * 4 * kSecond, onset = start + 2 * kSecond;
        EXPECT_LT(peak(*audio, start, onset - 32), silent);
        // Within half a synthesizer block of its time, and loud.
        const size_t heard = firstAbove(*audio, onset - 32, silent);
        EXPECT_GE(heard + 32, onset + lead);
        EXPECT_LE(heard, onset + lead + 32);
        EXPECT_GT(peak(*audio, onset, onset + kSecond / 10), 0.02f);
        // Gone again long before the next pass.
        EXPECT_LT(peak(*audio, onset + kSecond + kSecond / 2, start + 4 * kSecond), silent);
    }
    EXPECT_LT(peak(*audio, audio->left.size() - kSecond / 10, audio->left.size()), silent);
}

TEST(OfflineRender, TheWavFileHoldsTheRenderAsSixteenBitStereo) {
    std::string why;
    const auto audio = renderGroove(oneNote(), 1, why);
    ASSERT_TRUE(audio) << why;
    const std::string path = testing::TempDir() + "pattaplex_render_test.wav";
    ASSERT_FALSE(writeWav(path, *audio));
    const auto read = readWav16(path);
    std::remove(path.c_str());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->second, 44100);
    ASSERT_EQ(read->first.size(), 2 * audio->left.size());
    const size_t onset = firstAbove(*audio, 0, 0.02f);
    EXPECT_NEAR(read->first[2 * onset], audio->left[onset] * 32768, 1.0);
}

TEST(OfflineRender, ARefusedKitOrMissingSoundfontIsReported) {
    GrooveState s = oneNote();
    s.KIT = 0;
    std::string why;
    EXPECT_FALSE(renderGroove(s, 1, why));
    EXPECT_NE(why.find("0"), std::string::npos);
}

// Whatever size of blocks the sound device asks for, a note starts at the same sample.
TEST(OfflineRender, NotesSoundAtTheirSampleTimeWhateverTheBlockSize) {
    auto renderWithBlocks = [](int block) {
        SynthEngine engine;
        EXPECT_FALSE(engine.load());
        EXPECT_TRUE(engine.selectPreset(*kitPreset(kDefaultKit)));
        EngineSink sink(engine);
        sink.playStepNote(10000, 12000, 42, 100);
        sink.playStepNote(12000, 20000, 38, 100);
        std::vector<float> all, left(static_cast<size_t>(block)), right(left.size());
        while (all.size() < 16384) {
            engine.render(left.data(), right.data(), block);
            all.insert(all.end(), left.begin(), left.end());
        }
        all.resize(16384);
        return all;
    };
    const std::vector<float> reference = renderWithBlocks(4096);
    const size_t onset =
        static_cast<size_t>(std::find_if(reference.begin(), reference.end(),
                                         [](float x) { return std::fabs(x) > 1.0f / 32768; }) -
                            reference.begin());
    EXPECT_GE(onset, 10000u - 32);
    EXPECT_LE(onset, 10000u + 32);
    for (int block : {97, 128, 333, 1}) EXPECT_EQ(renderWithBlocks(block), reference) << block;
}

// An organ holds its notes until they are stopped: after playing with edits, stops and
// restarts, and kit changes in between, the output must fall silent once the clock stops.
TEST(OfflineRender, EveryNoteStartedIsStoppedUnderMidStepEdits) {
    GrooveState s = freshStartState();
    s.KIT = 20;  // organ
    s.BARS = 1;
    s.BEATS = 4;
    s.SUB = 2;
    for (DrumRow& row : s.rows) row.BUF.fill(1);
    SynthEngine engine;
    ASSERT_FALSE(engine.load());
    const auto preset = kitPreset(s.KIT);
    ASSERT_TRUE(preset && engine.selectPreset(*preset));
    EngineSink sink(engine);
    StepClock clock(s, sink);
    std::array<float, 300> left{}, right{};
    clock.start();
    for (int block = 0; block < 2000; ++block) {
        engine.render(left.data(), right.data(), static_cast<int>(left.size()));
        clock.pump();
        DrumRow& row = s.row(1 + block % kRowCount);
        row.DR = 40 + block % 40;
        row.DV = block % 5 == 0 ? 0 : 100;
        row.BUF[static_cast<size_t>(block % 8)] ^= 1;
        s.TEMPO = 40 + block % 200;
        if (block % 97 == 0) s.SUB = 1 + block % 4;
        if (block % 301 == 0) {
            clock.stop();
            clock.start();
        }
        if (block % 250 == 0) {
            const int kits[] = {20, kDefaultKit, 5, 20};
            ASSERT_TRUE(engine.selectPreset(*kitPreset(kits[block / 250 % 4])));
        }
    }
    // Organ notes still sounding when the kit turns to drums, on another channel.
    ASSERT_TRUE(engine.selectPreset(*kitPreset(20)));
    for (int block = 0; block < 20; ++block) {
        engine.render(left.data(), right.data(), static_cast<int>(left.size()));
        clock.pump();
    }
    ASSERT_TRUE(engine.selectPreset(*kitPreset(kDefaultKit)));
    for (int block = 0; block < 20; ++block) {
        engine.render(left.data(), right.data(), static_cast<int>(left.size()));
        clock.pump();
    }
    clock.stop();
    float last = 1;
    for (int block = 0; block < 1000; ++block) {  // about 7 s for the releases
        engine.render(left.data(), right.data(), static_cast<int>(left.size()));
        last = 0;
        for (size_t i = 0; i < left.size(); ++i)
            last = std::max({last, std::fabs(left[i]), std::fabs(right[i])});
    }
    EXPECT_LT(last, 1.0f / 32768);
}

}  // namespace
}  // namespace pattaplex
