// The step clock against a fake sink: exact step times, what each step plays, the
// transport and what the listener is told when.

#include <gtest/gtest.h>

#include <functional>

#include "StepClock.h"

namespace pattaplex {
namespace {

constexpr int64_t kMinute = StepClock::kSamplesPerMinute;
constexpr int64_t kStep = 22050;  // 120 BPM, one step a beat

struct Note {
    int64_t on, off;
    int key, velocity;
};

// A groove of `bars` bars of four steps where row n plays note 40 + n at step n - 1 only,
// so a note names its step; the step clock plays it into a sample clock moved by hand.
struct Rig : NoteSink, ClockListener {
    explicit Rig(int bars = 2, int tempo = 120, int sub = 1) : clock(s, *this) {
        std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(bars, 4, sub, tempo);
        for (int n = 1; n <= kRowCount; ++n) {
            std::tie(s.row(n).DR, s.row(n).DV) = std::make_tuple(40 + n, 100);
            s.row(n).VOL.fill(100);
            s.row(n).BUF[static_cast<size_t>(n - 1)] = 1;
        }
        clock.setListener(this);
    }
    int64_t samplePosition() const override { return now; }
    void playStepNote(int64_t on, int64_t off, int key, int velocity) override {
        notes.push_back({on, off, key, velocity});
    }
    void cancelStepsFrom(int64_t stepTime) override { cancels.push_back(stepTime); }
    void stepSounded(int nextStep) override { sounded.push_back(nextStep); }
    void loopWrapping() override {
        ++wraps;
        if (onWrap) onWrap();
    }
    // Pumps, then moves the audio clock on in blocks, pumping after each, up to `until`.
    void runTo(int64_t until, int64_t block = 441) {
        clock.pump();
        while (now < until) {
            now = std::min(now + block, until);
            clock.pump();
        }
    }
    std::vector<int> stepsScheduled() const {
        std::vector<int> steps;
        for (const Note& n : notes) steps.push_back(n.key - 41);
        return steps;
    }
    void onlyRowOneEveryStep() {
        for (DrumRow& row : s.rows) row.BUF.fill(row.DR == 41);
    }
    GrooveState s;
    StepClock clock;
    int64_t now = 0;
    std::vector<Note> notes;
    std::vector<int64_t> cancels;
    std::vector<int> sounded;
    int wraps = 0;
    std::function<void()> onWrap;
};

TEST(StepClock, StepsFallOnTheExactGridOverManyPasses) {
    // 160 BPM, SUB 1: 16537.5 samples a step, alternately 16537 and 16538. A tempo below
    // 1 plays as 40.
    const std::array<int, 3> kTempos[] = {{160, 1, 160}, {160, 2, 320}, {240, 4, 960},
                                          {100, 3, 300}, {97, 3, 291},  {40, 1, 40},
                                          {0, 1, 40}};
    for (auto [tempo, sub, perMinute] : kTempos) {
        SCOPED_TRACE(testing::Message() << tempo << " BPM, SUB " << sub);
        Rig r(1, tempo, sub);
        r.onlyRowOneEveryStep();
        r.now = 1000;
        r.clock.start();
        const int steps = 5000;  // about ten minutes at 160 BPM with two steps a beat
        r.runTo(1000 + steps * kMinute / perMinute, 512);
        ASSERT_GE(r.notes.size(), static_cast<size_t>(steps));
        for (int k = 0; k < steps; ++k) {
            ASSERT_EQ(r.notes[k].on, 1000 + k * kMinute / perMinute) << k;
            ASSERT_EQ(r.notes[k].off, 1000 + (k + 1) * kMinute / perMinute) << k;
        }
    }
}

TEST(StepClock, ATempoChangeTakesEffectAtTheNextStepWithoutLosingTime) {
    Rig r(1);
    r.onlyRowOneEveryStep();
    r.clock.start();
    r.runTo(kStep + 100);  // step 1 scheduled
    r.s.TEMPO = 160;
    r.runTo(4 * kStep);
    EXPECT_EQ(r.notes.at(2).on, 2 * kStep);  // step 1 was already scheduled at 120
    EXPECT_EQ(r.notes.at(3).on, 2 * kStep + 16537);
}

TEST(StepClock, ARowPlaysItsNoteAtTheStepVelocityUnlessMutedOrSilent) {
    Rig r(1);
    r.onlyRowOneEveryStep();
    r.s.row(1).VOL[1] = 0;    // silent step
    r.s.row(1).VOL[2] = 300;  // out of range: the loudest a note can be
    r.s.row(2).BUF.fill(1);
    r.s.row(2).DV = 0;  // muted row
    r.clock.start();
    r.runTo(3 * kStep);
    ASSERT_EQ(r.notes.size(), 3u);  // steps 0, 2 and 3
    EXPECT_EQ(std::tie(r.notes[0].key, r.notes[0].velocity), std::make_tuple(41, 100));
    EXPECT_EQ(std::tie(r.notes[1].on, r.notes[1].velocity), std::make_tuple(2 * kStep, 127));
}

TEST(StepClock, AGrooveWithNoStepsPlaysNothingUntilItHasSome) {
    Rig r(0);
    r.clock.start();
    r.runTo(100000);
    EXPECT_TRUE(r.notes.empty() && r.sounded.empty() && r.clock.running());
    r.s.BARS = 1;
    r.clock.pump();
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.notes[0].on, 100000);
}

TEST(Transport, ThePositionIsToldWhenAStepSoundsNotWhenItIsScheduled) {
    Rig r;
    r.clock.start();
    EXPECT_TRUE(r.notes.empty());  // the next pump schedules
    r.runTo(0);
    EXPECT_EQ(r.stepsScheduled(), std::vector<int>{0});
    EXPECT_TRUE(r.sounded.empty());
    r.runTo(kStep - 1);
    EXPECT_EQ(r.sounded, std::vector<int>{1});
    EXPECT_EQ(r.s.LOOP, 1);
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{0, 1}));  // step 1 is within reach
    r.runTo(8 * kStep + 1);
    EXPECT_EQ(r.sounded, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 0, 1}));
}

TEST(Transport, StopCancelsTheUnsoundedStepsAndAStartResumesThere) {
    Rig r;
    r.clock.start();
    r.runTo(5 * kStep - 100);  // steps 0..4 sounded, 5 scheduled ahead
    r.clock.stop();
    EXPECT_FALSE(r.clock.running());
    EXPECT_EQ(r.cancels, std::vector<int64_t>{5 * kStep});
    EXPECT_EQ(r.s.LOOP, 5);
    r.runTo(10 * kStep);  // nothing happens while stopped
    EXPECT_EQ(r.sounded, (std::vector<int>{1, 2, 3, 4, 5}));
    // A pause resumes at the kept position, on the clock's present time; a groove
    // shortened meanwhile plays that step once, then wraps.
    r.s.BARS = 1;
    r.notes.clear();
    r.clock.start();
    r.runTo(13 * kStep);
    EXPECT_EQ(r.notes.at(0).on, 10 * kStep);
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{5, 0, 1, 2}));
    // A stop that the caller turns into a full stop starts over from step 0.
    r.clock.stop();
    r.s.LOOP = 0;
    r.notes.clear();
    r.clock.start();
    r.runTo(0);
    EXPECT_EQ(r.stepsScheduled(), std::vector<int>{0});
}

TEST(Transport, InfiniteRandomRunsAtEachWrapBeforeStepZeroIsScheduled) {
    Rig r(1);
    r.s.INF = 1;
    r.onWrap = [&] {
        // The pass is fully scheduled with the old groove; step 0 of the next plays the new.
        EXPECT_EQ(r.stepsScheduled().back(), 3);
        r.s.row(1).DR = 100 + r.wraps;
    };
    r.clock.start();
    r.runTo(12 * kStep - 3000);  // three passes scheduled
    EXPECT_EQ(r.wraps, 2);
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{0, 1, 2, 3, 60, 1, 2, 3, 61, 1, 2, 3}));
    r.s.INF = 0;
    r.runTo(20 * kStep);
    EXPECT_EQ(r.wraps, 2);
}

TEST(Transport, AStepOverdueAfterAStallPlaysOnceAtOnce) {
    Rig r;
    r.clock.start();
    r.runTo(100);
    r.now = 5 * kStep + 7;  // the main thread was held up for five steps
    r.clock.pump();
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{0, 1}));
    EXPECT_EQ(r.notes.back().on, 5 * kStep + 7);
}

}  // namespace
}  // namespace pattaplex
