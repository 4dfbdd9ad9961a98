// The step clock against a fake sink: exact step times at any rate, what each step plays,
// and how a groove that changes under it is followed.

#include <gtest/gtest.h>

#include "GrooveSnapshot.h"
#include "StepClock.h"
#include "hit_timing.h"

namespace pattaplex {
namespace {

constexpr int64_t kStep = 22050;  // 120 BPM at 44.1 kHz, one step a beat

struct Note {
    int64_t on, off;
    int key, velocity;
};

// A groove of `bars` bars of four steps where row n plays note 40 + n at step n - 1 only,
// so a note names its step; the clock runs up to sample times given by hand.
struct Rig : NoteSink {
    explicit Rig(int bars = 2, int tempo = 120, int sub = 1, int rate = kSampleRate) : clock(rate) {
        std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(bars, 4, sub, tempo);
        for (int n = 1; n <= kRowCount; ++n) {
            std::tie(s.row(n).DR, s.row(n).DV) = std::make_tuple(40 + n, 100);
            s.row(n).VOL.fill(100);
            s.row(n).BUF[static_cast<size_t>(n - 1)] = 1;
        }
    }
    const GrooveSnapshot* groove() override { return &g; }
    void passStarting() override { g = GrooveSnapshot::of(s), ++wraps; }
    void playStepNote(int64_t on, int64_t off, int key, int velocity) override {
        notes.push_back({on, off, key, velocity});
    }
    // Takes the groove as it stands, then runs the clock in blocks up to `until`.
    void runTo(int64_t until, int64_t block = 441) {
        g = GrooveSnapshot::of(s);
        while (now < until) {
            now = std::min(now + block, until);
            clock.run(now, *this);
        }
    }
    std::vector<int> stepsPlayed() const {
        std::vector<int> steps;
        for (const Note& n : notes) steps.push_back(n.key - 41);
        return steps;
    }
    void onlyRowOneEveryStep() {
        for (DrumRow& row : s.rows) row.BUF.fill(row.DR == 41);
    }
    GrooveState s;
    GrooveSnapshot g;
    StepClock clock;
    int64_t now = 0;
    std::vector<Note> notes;
    int wraps = 0;
};

TEST(StepClock, StepsFallOnTheExactGridAtEveryRateOverManyPasses) {
    // 160 BPM, SUB 1 at 44.1 kHz: 16537.5 samples a step, alternately 16537 and 16538.
    // A tempo below 1 plays as 40.
    const std::array<int, 4> kCases[] = {
        {160, 1, 160, 44100}, {160, 2, 320, 48000}, {240, 4, 960, 44100}, {100, 3, 300, 22050},
        {97, 3, 291, 96000},  {97, 3, 291, 192000}, {40, 1, 40, 44100},   {0, 1, 40, 48000}};
    for (auto [tempo, sub, perMinute, rate] : kCases) {
        SCOPED_TRACE(testing::Message() << tempo << " BPM, SUB " << sub << ", " << rate << " Hz");
        Rig r(1, tempo, sub, rate);
        r.onlyRowOneEveryStep();
        r.now = 1000;
        r.clock.start(1000, 0);
        const int64_t steps = 5000;  // about ten minutes at 160 BPM with two steps a beat
        const int64_t minute = int64_t{rate} * 60;
        r.runTo(1000 + steps * minute / perMinute, 512);
        ASSERT_GE(r.notes.size(), static_cast<size_t>(steps));
        for (int64_t k = 0; k < steps; ++k) {
            ASSERT_EQ(r.notes[k].on, 1000 + k * minute / perMinute) << k;
            ASSERT_EQ(r.notes[k].off, 1000 + (k + 1) * minute / perMinute) << k;
        }
    }
}

TEST(StepClock, ARowPlaysAtItsStepVelocityUnlessMutedOrSilentAndANewTempoStartsAtTheNextStep) {
    Rig r(1);
    r.onlyRowOneEveryStep();
    r.s.row(1).VOL[1] = 0;    // silent step
    r.s.row(1).VOL[2] = 300;  // out of range: the loudest a note can be
    r.s.row(2).BUF.fill(1);
    r.s.row(2).DV = 0;  // muted row
    r.clock.start(0, 0);
    r.runTo(kStep + 100);  // step 1 passed
    r.s.TEMPO = 160;
    r.runTo(3 * kStep + 1);
    ASSERT_EQ(r.notes.size(), 3u);  // steps 0, 2 and 3
    EXPECT_EQ(std::tie(r.notes[0].key, r.notes[0].velocity), std::make_tuple(41, 100));
    EXPECT_EQ(std::tie(r.notes[1].on, r.notes[1].velocity), std::make_tuple(2 * kStep, 127));
    EXPECT_EQ(r.notes[2].on, 2 * kStep + 16537);  // no time lost
}

TEST(StepClock, AGrooveWithNoStepsPlaysNothingUntilItHasSome) {
    Rig r(0);
    r.clock.start(0, 0);
    r.runTo(100000);
    EXPECT_TRUE(r.notes.empty() && r.clock.running());
    r.s.BARS = 1;
    r.runTo(100100);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.notes[0].on, 100000);
}

TEST(StepClock, PositionPassesAndAShortenedGroove) {
    Rig r;
    r.clock.start(0, 5);  // a resumed pause
    r.runTo(1);
    EXPECT_EQ(r.stepsPlayed(), std::vector<int>{5});
    EXPECT_EQ(std::make_pair(r.clock.lastStep(), r.clock.nextStep()), std::make_pair(5, 6));
    EXPECT_EQ(r.clock.passEnd(8), 3 * kStep);
    // Shortened below the cursor: the old step plays once, then the loop wraps.
    r.s.BARS = 1;
    r.runTo(kStep + 1);
    r.runTo(6 * kStep + 1);
    EXPECT_EQ(r.stepsPlayed(), (std::vector<int>{5, 6, 0, 1, 2, 3, 0}));
    EXPECT_EQ(std::make_tuple(r.wraps, r.clock.passes(), r.clock.stepsPlayed()),
              std::make_tuple(2, int64_t{2}, int64_t{7}));
    EXPECT_EQ(r.clock.stop(), 1);
    r.runTo(9 * kStep);
    EXPECT_EQ(r.notes.size(), 7u);
    // With a pass limit the clock stops where that pass would begin.
    r.clock.start(r.now, 2);
    r.clock.setPassLimit(2);
    r.runTo(20 * kStep);
    EXPECT_EQ(r.stepsPlayed().size(), 7u + 2 + 4);
    EXPECT_FALSE(r.clock.running());
    EXPECT_EQ(r.clock.nextTime(), 9 * kStep + 6 * kStep);
}

// Swing, repeats, chance and humanise as the clock plays them: every hit where the timing
// of the groove's feel puts it, to the sample, however the blocks fall, and never queued
// behind the block being made.
TEST(StepClock, PlaysTheFeelOfEachStepSampleExactly) {
    Rig r(1, 120, 2, 48000);  // 12000 samples a step
    r.onlyRowOneEveryStep();
    r.s.SWING = 66;
    r.s.row(1).REP[3] = 3, r.s.row(1).VOL[3] = 80;
    r.s.row(1).CHANCE[6] = 25;
    r.clock.start(0, 0);
    r.runTo(2 * 96000, 1000);
    std::vector<std::pair<int64_t, int>> heard;
    for (const Note& n : r.notes) heard.emplace_back(n.on, n.velocity);
    // Pass p, step k: the odd steps 3840 late, step 3 split in three over its 8160.
    std::vector<std::pair<int64_t, int>> expected;
    for (int64_t pass : {0, 1})
        for (int k = 0; k < 8; ++k) {
            const int64_t at = pass * 96000 + k * 12000 + (k % 2 ? 3840 : 0);
            if (k == 3) {
                for (int j = 0; j < 3; ++j) expected.emplace_back(at + j * 2720, 80);
            } else if (k != 6 || stepHits({48000 * 60, 120, 2, 66, 0, 0, kDefaultFeelSeed}, pass, 1,
                                          6, {100, 1, 25})
                                         .count > 0) {
                expected.emplace_back(at, 100);
            }
        }
    EXPECT_EQ(heard, expected);

    // Humanised, every hit is queued ahead of the block that plays it, as the same timing
    // puts it; triplets do not swing.
    for (auto [sub, block] : {std::pair{2, 64}, {3, 1000}, {2, 4096}}) {
        SCOPED_TRACE(block);
        struct Late : Rig {
            using Rig::Rig;
            void playStepNote(int64_t on, int64_t off, int key, int velocity) override {
                EXPECT_GE(on, now - block);
                Rig::playStepNote(on, off, key, velocity);
            }
            int64_t block = 0;
        } h(1, 120, sub, 48000);
        h.block = block;
        h.onlyRowOneEveryStep();
        std::tie(h.s.SWING, h.s.HUMMS, h.s.HUMVEL) = std::make_tuple(60, 20, 10);
        h.clock.start(0, 0);
        h.runTo(3 * 96000 - 1000, block);  // not the next pass, whose first hit may be early
        const HitTiming t{48000 * 60, 120, sub, 60, 20, 10, kDefaultFeelSeed};
        ASSERT_EQ(h.notes.size(), static_cast<size_t>(3 * 4 * sub));
        for (size_t i = 0; i < h.notes.size(); ++i) {
            const int pass = static_cast<int>(i) / (4 * sub), k = static_cast<int>(i) % (4 * sub);
            const Hit hit = stepHits(t, pass, 1, k, {100, 1, 100}).hits[0];
            EXPECT_EQ(h.notes[i].on, pass * 96000 + straightStepStart(t, k) + hit.offset);
            EXPECT_EQ(h.notes[i].velocity, hit.velocity);
        }
    }
}

}  // namespace
}  // namespace pattaplex
