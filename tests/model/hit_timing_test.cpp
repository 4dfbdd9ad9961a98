// Where the hits of a step fall and how loud they are: swing, repeats, chance, humanise.
#include "hit_timing.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace pattaplex {
namespace {

// 120 beats per minute at 48 kHz: a beat is 24000 samples.
HitTiming samplesAt120(int32_t sub, int32_t swing = kStraightSwing) {
    HitTiming t;
    t.unitsPerMinute = 48000 * 60;
    t.tempo = 120;
    t.sub = sub;
    t.swing = swing;
    t.seed = 7;
    return t;
}

std::vector<std::pair<int64_t, int32_t>> hitsOf(const HitTiming& t, int step, StepFeel feel,
                                                int64_t pass = 0, int row = 1) {
    const StepHits h = stepHits(t, pass, row, step, feel);
    std::vector<std::pair<int64_t, int32_t>> out;
    for (int i = 0; i < h.count; ++i) out.emplace_back(h.hits[i].offset, h.hits[i].velocity);
    return out;
}

using Hits = std::vector<std::pair<int64_t, int32_t>>;

TEST(HitTiming, SwingDelaysTheSecondStepOfEachPairAndRepeatsDivideTheSwungStep) {
    // Straight eighths: one hit on the step's own start.
    EXPECT_EQ(hitsOf(samplesAt120(2), 1, {90, 1, 100}), (Hits{{0, 90}}));
    // 66 %: the first of a pair takes 0.66 of 24000 samples, so the second starts 3840 late.
    const HitTiming swung = samplesAt120(2, 66);
    EXPECT_EQ(hitsOf(swung, 0, {90, 1, 100}), (Hits{{0, 90}}));
    EXPECT_EQ(hitsOf(swung, 1, {90, 1, 100}), (Hits{{3840, 90}}));
    EXPECT_EQ(hitsOf(swung, 3, {90, 1, 100}), (Hits{{3840, 90}}));
    // A ratchet splits the swung length: 15840 samples in three, 8160 in two.
    EXPECT_EQ(hitsOf(swung, 0, {70, 3, 100}), (Hits{{0, 70}, {5280, 70}, {10560, 70}}));
    EXPECT_EQ(hitsOf(swung, 1, {70, 2, 100}), (Hits{{3840, 70}, {7920, 70}}));
    EXPECT_EQ(stepHits(swung, 0, 1, 0, {70, 3, 100}).length, 5280);
    EXPECT_EQ(stepHits(swung, 0, 1, 1, {70, 2, 100}).length, 4080);
    // Sixteenths pair up within the beat; triplets and whole beats do not swing.
    EXPECT_EQ(hitsOf(samplesAt120(4, 75), 1, {90, 1, 100}), (Hits{{3000, 90}}));
    EXPECT_EQ(hitsOf(samplesAt120(4, 75), 2, {90, 1, 100}), (Hits{{0, 90}}));
    EXPECT_EQ(hitsOf(samplesAt120(3, 75), 1, {90, 4, 100}),
              (Hits{{0, 90}, {2000, 90}, {4000, 90}, {6000, 90}}));
    EXPECT_EQ(hitsOf(samplesAt120(1, 75), 1, {90, 1, 100}), (Hits{{0, 90}}));
    // MIDI ticks, 960 to the beat: the same rule in other units.
    HitTiming ticks = samplesAt120(2, 66);
    ticks.unitsPerMinute = 960 * 120;
    EXPECT_EQ(hitsOf(ticks, 1, {90, 4, 100}), (Hits{{154, 90}, {235, 90}, {317, 90}, {398, 90}}));
    EXPECT_EQ(straightStepStart(ticks, 5), 2400);
    // A silent step has no hits; values beyond the ranges are brought into them.
    EXPECT_EQ(hitsOf(swung, 0, {0, 1, 100}), Hits{});
    EXPECT_EQ(hitsOf(swung, 0, {300, 9, 100}).size(), 4u);
    EXPECT_EQ(hitsOf(swung, 0, {300, 1, 100}), (Hits{{0, 127}}));
}

TEST(HitTiming, ChanceIsDrawnPerPassFromTheSeedAlone) {
    const HitTiming t = samplesAt120(2);
    for (int32_t chance : {100, 75, 50, 25}) {
        SCOPED_TRACE(chance);
        int sounded = 0;
        for (int64_t pass = 0; pass < 400; ++pass) {
            const Hits h = hitsOf(t, 3, {90, 2, chance}, pass);
            EXPECT_TRUE(h.empty() || h.size() == 2u);  // a ratchet sounds whole or not at all
            sounded += !h.empty();
            EXPECT_EQ(h, hitsOf(t, 3, {90, 2, chance}, pass));  // the same seed, the same pass
        }
        EXPECT_NEAR(sounded, 4 * chance, 40);
    }
    // Another seed, row or step draws differently.
    std::set<std::vector<bool>> patterns;
    for (auto [seed, row, step] : {std::tuple{7, 1, 3}, {8, 1, 3}, {7, 2, 3}, {7, 1, 4}}) {
        HitTiming other = t;
        other.seed = static_cast<uint64_t>(seed);
        std::vector<bool> pattern;
        for (int64_t pass = 0; pass < 64; ++pass)
            pattern.push_back(stepHits(other, pass, row, step, {90, 1, 50}).count > 0);
        patterns.insert(pattern);
    }
    EXPECT_EQ(patterns.size(), 4u);
}

TEST(HitTiming, HumaniseSpreadsEveryHitWithinItsAmountsNeverBeforeThePass) {
    HitTiming t = samplesAt120(2, 60);
    t.humaniseMs = 20;  // 960 samples at 48 kHz
    t.humaniseVelocity = 10;
    std::set<int64_t> moves, velocities;
    for (int64_t pass = 0; pass < 200; ++pass) {
        for (int step : {0, 1}) {
            const StepHits plain = stepHits(samplesAt120(2, 60), pass, 4, step, {120, 3, 100});
            const StepHits h = stepHits(t, pass, 4, step, {120, 3, 100});
            ASSERT_EQ(h.count, 3);
            for (int i = 0; i < 3; ++i) {
                const int64_t moved = h.hits[i].offset - plain.hits[i].offset;
                EXPECT_LE(std::abs(moved), 960);
                EXPECT_GE(h.hits[i].offset, 0) << "step 0 stays in its pass";
                if (step == 1 || moved >= 0) moves.insert(moved);
                velocities.insert(h.hits[i].velocity);
            }
        }
        EXPECT_EQ(stepHits(t, pass, 4, 1, {90, 1, 100}).count, 1);
    }
    EXPECT_GT(moves.size(), 300u);  // spread over the whole range, both ways
    EXPECT_LT(*moves.begin(), -900);
    EXPECT_GT(*moves.rbegin(), 900);
    EXPECT_EQ(velocities.size(), 18u);  // 110..127: the spread reaches both ends, capped at 127
}

}  // namespace
}  // namespace pattaplex
