// Rendering grooves offline: notes sound where the grid puts them and nowhere else, and
// every note a step starts is stopped.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "EngineSink.h"
#include "OfflineRender.h"
#include "StepClock.h"
#include "WavFile.h"
#include "defaults.h"
#include "fresh_start.h"
#include "kit_mapping.h"

namespace pattaplex {
namespace {

constexpr size_t kSecond = 44100;
constexpr float kSilent = 1.0f / 32768;

float peak(const RenderedAudio& a, size_t from, size_t to) {
    float p = 0;
    for (size_t i = from; i < std::min(to, a.left.size()); ++i)
        p = std::max({p, std::fabs(a.left[i]), std::fabs(a.right[i])});
    return p;
}

size_t firstAbove(const RenderedAudio& a, size_t from, float level) {
    while (from < a.left.size() && peak(a, from, from + 1) <= level) ++from;
    return from;
}

// A fresh program's groove with one side stick on `step` of four, at one second a step.
GrooveState oneNote(int step) {
    GrooveState s = freshStartState();
    std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(1, 4, 1, 60);
    for (DrumRow& row : s.rows) row.BUF.fill(0);
    s.row(2).BUF[static_cast<size_t>(step)] = 37;
    return s;
}

TEST(OfflineRender, AOneNoteGrooveSoundsOnItsStepAndIsSilentElsewhere) {
    std::string why;
    const auto a = renderGroove(oneNote(2), 2, why);
    ASSERT_TRUE(a) << why;
    EXPECT_EQ(a->passesEnd, 8 * kSecond);
    ASSERT_GT(a->left.size(), a->passesEnd);  // the release tail follows
    std::vector<size_t> heard;
    for (size_t start : {size_t{0}, 4 * kSecond}) {
        heard.push_back(firstAbove(*a, start, kSilent));
        EXPECT_GT(peak(*a, heard.back(), heard.back() + kSecond / 10), 0.02f);
        EXPECT_LT(peak(*a, heard.back() + 3 * kSecond / 2, start + 4 * kSecond), kSilent);
    }
    // The side stick's recording starts with a few quiet samples (measured on a note at
    // sample 0); notes start on the synthesizer's 64-sample blocks.
    const auto atZero = renderGroove(oneNote(0), 1, why);
    const size_t lead = firstAbove(*atZero, 0, kSilent);
    ASSERT_LT(lead, 200u);
    EXPECT_NEAR(static_cast<double>(heard[0]), 2 * kSecond + lead, 32);
    EXPECT_NEAR(static_cast<double>(heard[1]), 6 * kSecond + lead, 32);
    EXPECT_LT(peak(*a, a->left.size() - kSecond / 10, a->left.size()), kSilent);

    // The WAV file holds it as 44.1 kHz 16-bit stereo.
    const std::string path = testing::TempDir() + "pattaplex_render_test.wav";
    ASSERT_FALSE(writeWav(path, *a));
    const auto wav = readWav16(path);
    std::remove(path.c_str());
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->second, 44100);
    ASSERT_EQ(wav->first.size(), 2 * a->left.size());
    const size_t loud = firstAbove(*a, 0, 0.02f);
    EXPECT_NEAR(wav->first[2 * loud + 1], a->right[loud] * 32768, 1.0);

    GrooveState refused = oneNote(2);
    refused.KIT = 0;
    EXPECT_FALSE(renderGroove(refused, 1, why));
    EXPECT_NE(why.find('0'), std::string::npos);
}

TEST(OfflineRender, NotesSoundAtTheirSampleTimeWhateverTheBlockSize) {
    auto render = [](int block) {
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
    const std::vector<float> reference = render(4096);
    size_t onset = 0;
    while (std::fabs(reference[onset]) <= kSilent) ++onset;
    EXPECT_NEAR(static_cast<double>(onset), 10000.0, 32.0);
    for (int block : {97, 128, 333, 1}) EXPECT_EQ(render(block), reference) << block;
}

// An organ holds its notes until they are stopped: after playing through edits, stops,
// restarts and kit changes, the output must fall silent once the clock stops.
TEST(OfflineRender, EveryNoteStartedIsStoppedUnderMidStepEdits) {
    GrooveState s = oneNote(0);
    s.KIT = 20;  // organ
    s.SUB = 2;
    for (DrumRow& row : s.rows) row.BUF.fill(1);
    SynthEngine engine;
    ASSERT_FALSE(engine.load());
    EngineSink sink(engine);
    StepClock clock(s, sink);
    RenderedAudio block;
    block.left.resize(300);
    block.right.resize(300);
    auto play = [&](int kit) {  // one block, then the clock schedules
        EXPECT_TRUE(kit == 0 || engine.selectPreset(*kitPreset(kit)));
        engine.render(block.left.data(), block.right.data(), 300);
        clock.pump();
    };
    clock.start();
    for (int k = 0; k < 2000; ++k) {
        const int kits[] = {20, kDefaultKit, 5, 20};
        play(k % 250 == 0 ? kits[k / 250 % 4] : 0);
        DrumRow& row = s.row(1 + k % kRowCount);
        row.DR = 40 + k % 40;
        row.DV = k % 5 == 0 ? 0 : 100;
        row.BUF[static_cast<size_t>(k % 8)] ^= 1;
        s.TEMPO = 40 + k % 200;
        if (k % 97 == 0) s.SUB = 1 + k % 4;
        if (k % 301 == 0) {
            clock.stop();
            clock.start();
        }
    }
    // Organ notes still sounding when the kit turns to drums, on another channel; then
    // the organ again, sounding when the clock stops.
    std::tie(s.TEMPO, s.SUB) = std::make_tuple(300, 4);  // a stop always cancels a step
    for (int k = 0; k < 60; ++k) play(k % 20 != 0 ? 0 : k == 20 ? kDefaultKit : 20);
    clock.stop();
    for (int k = 0; k < 1000; ++k) play(0);  // about 7 s for the releases
    EXPECT_LT(peak(block, 0, 300), kSilent);
}

}  // namespace
}  // namespace pattaplex
