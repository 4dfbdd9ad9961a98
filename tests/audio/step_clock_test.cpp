// The step clock against a fake sink: exact step times, what each step plays, the
// transport and what the listener is told when.

#include <gtest/gtest.h>

#include "FakeSink.h"

namespace pattaplex {
namespace {

constexpr int64_t kMinute = StepClock::kSamplesPerMinute;
constexpr int64_t kStep = 22050;  // 120 BPM, one step a beat

TEST(StepClock, StepsFallOnTheExactGridOverManyPasses) {
    // 160 BPM, SUB 1: 16537.5 samples a step, alternately 16537 and 16538. A tempo below
    // 1 plays as 40.
    for (auto [tempo, sub, perMinute] : {std::tuple{160, 1, 160},
                                         {160, 2, 320},
                                         {240, 4, 960},
                                         {100, 3, 300},
                                         {97, 3, 291},
                                         {40, 1, 40},
                                         {0, 1, 40}}) {
        SCOPED_TRACE(testing::Message() << tempo << " BPM, SUB " << sub);
        Rig r(namedSteps(1, tempo, sub));
        for (DrumRow& row : r.s.rows) row.BUF.fill(row.DR == 41);
        r.sink.now = 1000;
        r.clock.start();
        const int steps = 5000;  // about ten minutes at 160 BPM with two steps a beat
        r.runTo(1000 + steps * kMinute / perMinute, 512);
        ASSERT_GE(r.sink.notes.size(), static_cast<size_t>(steps));
        for (int k = 0; k < steps; ++k) {
            ASSERT_EQ(r.sink.notes[k].on, 1000 + k * kMinute / perMinute) << k;
            ASSERT_EQ(r.sink.notes[k].off, 1000 + (k + 1) * kMinute / perMinute) << k;
        }
    }
}

TEST(StepClock, ATempoChangeTakesEffectAtTheNextStepWithoutLosingTime) {
    Rig r(namedSteps(1));
    for (DrumRow& row : r.s.rows) row.BUF.fill(row.DR == 41);
    r.clock.start();
    r.runTo(kStep + 100);  // step 1 scheduled
    r.s.TEMPO = 160;
    r.runTo(4 * kStep);
    EXPECT_EQ(r.sink.notes.at(2).on, 2 * kStep);  // step 1 was already scheduled at 120
    EXPECT_EQ(r.sink.notes.at(3).on, 2 * kStep + 16537);
}

TEST(StepClock, ARowPlaysItsNoteAtTheStepVelocityUnlessMutedOrSilent) {
    Rig r(namedSteps(1));
    r.s.row(1).BUF.fill(1);
    r.s.row(1).VOL[1] = 0;    // silent step
    r.s.row(1).VOL[2] = 300;  // out of range: the loudest a note can be
    r.s.row(2).BUF.fill(1);
    r.s.row(2).DV = 0;  // muted row
    for (int n = 3; n <= kRowCount; ++n) r.s.row(n).BUF.fill(0);
    r.clock.start();
    r.runTo(3 * kStep);
    ASSERT_EQ(r.sink.notes.size(), 3u);  // steps 0, 2 and 3
    EXPECT_EQ(std::tie(r.sink.notes[0].key, r.sink.notes[0].velocity), std::make_tuple(41, 100));
    EXPECT_EQ(std::tie(r.sink.notes[1].on, r.sink.notes[1].velocity),
              std::make_tuple(2 * kStep, 127));
}

TEST(StepClock, AGrooveWithNoStepsPlaysNothingUntilItHasSome) {
    Rig r(namedSteps(0));
    r.clock.start();
    r.runTo(100000);
    EXPECT_TRUE(r.sink.notes.empty() && r.listener.sounded.empty() && r.clock.running());
    r.s.BARS = 1;
    r.clock.pump();
    ASSERT_EQ(r.sink.notes.size(), 1u);
    EXPECT_EQ(r.sink.notes[0].on, 100000);
}

TEST(Transport, ThePositionIsToldWhenAStepSoundsNotWhenItIsScheduled) {
    Rig r(namedSteps());
    r.clock.start();
    EXPECT_TRUE(r.stepsScheduled().empty());  // the next pump schedules
    r.clock.pump();
    r.clock.pump();
    EXPECT_EQ(r.stepsScheduled(), std::vector<int>{0});
    EXPECT_TRUE(r.listener.sounded.empty());
    r.runTo(1);
    EXPECT_EQ(r.listener.sounded, std::vector<int>{1});
    EXPECT_EQ(r.s.LOOP, 1);
    r.runTo(kStep - 1);
    EXPECT_EQ(r.listener.sounded.size(), 1u);
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{0, 1}));  // step 1 is within reach
    r.runTo(8 * kStep + 1);
    EXPECT_EQ(r.listener.sounded, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 0, 1}));
}

TEST(Transport, StopCancelsTheUnsoundedStepsAndAStartResumesThere) {
    Rig r(namedSteps());
    r.clock.start();
    r.runTo(3 * kStep - 100);  // steps 0..2 sounded, 3 scheduled ahead
    ASSERT_EQ(r.stepsScheduled().back(), 3);
    r.clock.stop();
    EXPECT_FALSE(r.clock.running());
    EXPECT_EQ(r.sink.cancels, std::vector<int64_t>{3 * kStep});
    EXPECT_EQ(r.s.LOOP, 3);
    r.runTo(10 * kStep);  // nothing happens while stopped
    EXPECT_EQ(r.listener.sounded, (std::vector<int>{1, 2, 3}));
    // A pause resumes at the kept position, on the clock's present time.
    r.sink.notes.clear();
    r.clock.start();
    r.runTo(12 * kStep);
    EXPECT_EQ(std::tie(r.sink.notes.at(0).key, r.sink.notes[0].on),
              std::make_tuple(44, 10 * kStep));
    // A stop that the caller turns into a full stop starts over from step 0.
    r.clock.stop();
    r.s.LOOP = 0;
    r.sink.notes.clear();
    r.clock.start();
    r.clock.pump();
    EXPECT_EQ(r.stepsScheduled(), std::vector<int>{0});
    // With nothing scheduled yet (1.5 s steps), a stop keeps the next step.
    Rig slow(namedSteps(2, 40));
    slow.clock.start();
    slow.runTo(kStep);
    slow.clock.stop();
    EXPECT_TRUE(slow.sink.cancels.empty());
    EXPECT_EQ(slow.s.LOOP, 1);
}

TEST(Transport, AShortenedGroovePlaysTheOldStepOnceThenWraps) {
    Rig r(namedSteps(1));
    r.s.LOOP = 6;  // paused at step 6 before the groove lost its second bar
    r.clock.start();
    r.runTo(3 * kStep);
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{6, 0, 1, 2}));
    EXPECT_EQ(r.listener.sounded, (std::vector<int>{0, 1, 2}));
}

TEST(Transport, InfiniteRandomRunsAtEachWrapBeforeStepZeroIsScheduled) {
    Rig r(namedSteps(1));
    r.s.INF = 1;
    r.listener.onWrap = [&] {
        // The pass is fully scheduled with the old groove; step 0 of the next plays the new.
        EXPECT_EQ(r.stepsScheduled().back(), 3);
        r.s.row(1).DR = 100 + r.listener.wraps;
    };
    r.clock.start();
    r.runTo(12 * kStep - 3000);  // three passes scheduled
    EXPECT_EQ(r.listener.wraps, 2);
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{0, 1, 2, 3, 60, 1, 2, 3, 61, 1, 2, 3}));
    r.s.INF = 0;
    r.runTo(20 * kStep);
    EXPECT_EQ(r.listener.wraps, 2);
}

TEST(Transport, AStepOverdueAfterAStallPlaysOnceAtOnce) {
    Rig r(namedSteps());
    r.clock.start();
    r.runTo(100);
    r.sink.now = 5 * kStep + 7;  // the main thread was held up for five steps
    r.clock.pump();
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{0, 1}));
    EXPECT_EQ(r.sink.notes.back().on, 5 * kStep + 7);
}

}  // namespace
}  // namespace pattaplex
