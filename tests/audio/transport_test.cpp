// Start, stop, pause and resume, the position the listener is told, the shortened
// groove and infinite random at the wrap.

#include <gtest/gtest.h>

#include "FakeSink.h"
#include "StepClock.h"

namespace pattaplex {
namespace {

constexpr int64_t kStep = 22050;  // 120 BPM, one step a beat

// Row n plays note 40 + n at step n - 1 only, so a note names its step.
GrooveState eightSteps() {
    GrooveState s;
    s.BARS = 2;
    s.BEATS = 4;
    s.SUB = 1;
    s.TEMPO = 120;
    for (int n = 1; n <= kRowCount; ++n) {
        s.row(n).DR = 40 + n;
        s.row(n).DV = 100;
        s.row(n).VOL.fill(100);
        s.row(n).BUF[static_cast<size_t>(n - 1)] = 1;
    }
    return s;
}

struct Rig {
    explicit Rig(GrooveState g) : s(g), clock(s, sink) { clock.setListener(&listener); }
    void runTo(int64_t until) {
        clock.pump();
        while (sink.now < until) {
            sink.now = std::min<int64_t>(sink.now + 441, until);
            clock.pump();
        }
    }
    std::vector<int> stepsScheduled() const {
        std::vector<int> steps;
        for (const RecordedNote& n : sink.notes) steps.push_back(n.key - 41);
        return steps;
    }
    GrooveState s;
    FakeSink sink;
    RecordingListener listener;
    StepClock clock;
};

TEST(Transport, ThePositionIsToldWhenAStepSoundsNotWhenItIsScheduled) {
    Rig r(eightSteps());
    r.clock.start();
    EXPECT_TRUE(r.stepsScheduled().empty());  // the next pump schedules
    r.clock.pump();
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{0}));  // scheduled...
    r.clock.pump();
    EXPECT_TRUE(r.listener.sounded.empty());  // ...but not yet sounded
    r.runTo(1);
    EXPECT_EQ(r.listener.sounded, (std::vector<int>{1}));
    EXPECT_EQ(r.s.LOOP, 1);
    r.runTo(kStep - 1);
    EXPECT_EQ(r.listener.sounded.size(), 1u);
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{0, 1}));  // step 1 is within reach
    r.runTo(8 * kStep + 1);
    EXPECT_EQ(r.listener.sounded, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 0, 1}));
    EXPECT_EQ(r.s.LOOP, 1);
}

TEST(Transport, StopCancelsTheStepsNotYetSoundedAndAStartResumesThere) {
    Rig r(eightSteps());
    r.clock.start();
    r.runTo(3 * kStep - 100);  // steps 0..2 sounded, 3 scheduled ahead
    ASSERT_EQ(r.stepsScheduled().back(), 3);
    r.clock.stop();
    EXPECT_FALSE(r.clock.running());
    EXPECT_EQ(r.sink.cancels, (std::vector<int64_t>{3 * kStep}));
    EXPECT_EQ(r.s.LOOP, 3);
    EXPECT_EQ(r.listener.sounded, (std::vector<int>{1, 2, 3}));

    // Nothing happens while stopped.
    r.runTo(10 * kStep);
    EXPECT_EQ(r.listener.sounded.size(), 3u);

    // A pause resumes at the kept position, on the clock's present time.
    r.sink.notes.clear();
    r.clock.start();
    r.runTo(12 * kStep);
    ASSERT_FALSE(r.sink.notes.empty());
    EXPECT_EQ(r.sink.notes[0].key - 41, 3);
    EXPECT_EQ(r.sink.notes[0].on, 10 * kStep);

    // A stop that the caller turns into a full stop starts over from step 0.
    r.clock.stop();
    r.s.LOOP = 0;
    r.sink.notes.clear();
    r.clock.start();
    r.clock.pump();
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{0}));
}

TEST(Transport, StopWithNothingScheduledKeepsTheNextStep) {
    GrooveState s = eightSteps();
    s.TEMPO = 40;  // 1.5 s steps: longer than the lookahead
    Rig r(s);
    r.clock.start();
    r.runTo(kStep);  // step 0 sounded, step 1 not scheduled yet
    r.clock.stop();
    EXPECT_TRUE(r.sink.cancels.empty());
    EXPECT_EQ(r.s.LOOP, 1);
}

TEST(Transport, AShortenedGroovePlaysTheOldStepOnceThenWraps) {
    Rig r(eightSteps());
    r.s.LOOP = 6;  // paused at step 6, then the groove loses its second bar
    r.s.BARS = 1;
    r.clock.start();
    r.runTo(3 * kStep);
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{6, 0, 1, 2}));
    EXPECT_EQ(r.listener.sounded, (std::vector<int>{0, 1, 2}));
}

TEST(Transport, InfiniteRandomRunsAtEachWrapBeforeStepZeroIsScheduled) {
    GrooveState s = eightSteps();
    s.BARS = 1;  // four steps
    s.INF = 1;
    Rig r(s);
    r.listener.onWrap = [&] {
        // What the window does here: re-randomise. The pass is fully scheduled with the
        // old groove, and step 0 of the next pass plays the new one.
        EXPECT_EQ(r.stepsScheduled().back(), 3);
        r.s.row(1).DR = 100 + r.listener.wraps;  // a changed note for step 0
    };
    r.clock.start();
    r.runTo(12 * kStep - 3000);  // three passes scheduled
    EXPECT_EQ(r.listener.wraps, 2);
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{0, 1, 2, 3, 60, 1, 2, 3, 61, 1, 2, 3}));

    // Off: no re-randomising.
    r.s.INF = 0;
    r.runTo(20 * kStep);
    EXPECT_EQ(r.listener.wraps, 2);
}

TEST(Transport, AStepOverdueAfterAStallPlaysOnceAtOnce) {
    Rig r(eightSteps());
    r.clock.start();
    r.runTo(100);
    r.sink.now = 5 * kStep + 7;  // the main thread was held up for five steps
    r.clock.pump();
    // The steps already scheduled are told as sounded; the next plays now, not five times.
    EXPECT_EQ(r.stepsScheduled(), (std::vector<int>{0, 1}));
    EXPECT_EQ(r.sink.notes.back().on, 5 * kStep + 7);
}

}  // namespace
}  // namespace pattaplex
