// The step clock against a fake sink: exact step times, what each step plays, and when
// the listener hears about it.

#include <gtest/gtest.h>

#include <algorithm>

#include "FakeSink.h"
#include "StepClock.h"

namespace pattaplex {
namespace {

constexpr int64_t kMinute = StepClock::kSamplesPerMinute;

// One bar of `beats` beats; row n plays note 40 + n at step n - 1 only, so the note
// names the step it came from.
GrooveState steppedGroove(int beats, int sub, int tempo) {
    GrooveState s;
    s.BARS = 1;
    s.BEATS = beats;
    s.SUB = sub;
    s.TEMPO = tempo;
    for (int n = 1; n <= kRowCount; ++n) {
        s.row(n).DR = 40 + n;
        s.row(n).DV = 100;
        s.row(n).VOL.fill(100);
        s.row(n).BUF[static_cast<size_t>(n - 1)] = 1;
    }
    return s;
}

// A groove where row 1 plays every step.
GrooveState everyStep(int beats, int sub, int tempo) {
    GrooveState s = steppedGroove(beats, sub, tempo);
    s.row(1).BUF.fill(1);
    for (int n = 2; n <= kRowCount; ++n) s.row(n).BUF.fill(0);
    return s;
}

// Pumps, then moves the audio clock on in blocks, pumping after each, until `until`.
void runTo(StepClock& clock, FakeSink& sink, int64_t until, int64_t block = 512) {
    clock.pump();
    while (sink.now < until) {
        sink.now = std::min(sink.now + block, until);
        clock.pump();
    }
}

TEST(StepClockTiming, StepStartsFallOnTheExactGridOverManyPasses) {
    struct Case {
        int tempo, sub;
    };
    // 160 BPM, SUB 1: 16537.5 samples a step, alternately 16537 and 16538.
    for (Case c : {Case{160, 1}, Case{160, 2}, Case{240, 4}, Case{100, 3}, Case{40, 1},
                   Case{120, 4}, Case{97, 3}}) {
        SCOPED_TRACE(testing::Message() << c.tempo << " BPM, SUB " << c.sub);
        GrooveState s = everyStep(4, c.sub, c.tempo);
        FakeSink sink;
        sink.now = 1000;
        StepClock clock(s, sink);
        clock.start();
        const int64_t divisor = int64_t{c.tempo} * c.sub;
        const int steps = 5000;  // about ten minutes at 160 BPM with two steps a beat
        runTo(clock, sink, 1000 + steps * kMinute / divisor);
        ASSERT_GE(sink.notes.size(), static_cast<size_t>(steps));
        for (int k = 0; k < steps; ++k) {
            const RecordedNote& n = sink.notes[static_cast<size_t>(k)];
            ASSERT_EQ(n.on, 1000 + k * kMinute / divisor) << "step " << k;
            ASSERT_EQ(n.off, 1000 + (k + 1) * kMinute / divisor) << "step " << k;
        }
    }
}

TEST(StepClockTiming, TempoChangeTakesEffectAtTheNextStepWithoutLosingTime) {
    GrooveState s = everyStep(4, 1, 120);  // 22050 samples a step
    FakeSink sink;
    StepClock clock(s, sink);
    clock.start();
    runTo(clock, sink, 22050 + 100);  // step 1 scheduled
    s.TEMPO = 160;
    runTo(clock, sink, 200000);
    ASSERT_GE(sink.notes.size(), 4u);
    EXPECT_EQ(sink.notes[1].on, 22050);
    EXPECT_EQ(sink.notes[2].on, 44100);  // step 1 was already scheduled at 120
    EXPECT_EQ(sink.notes[3].on, 44100 + 16537);
}

TEST(StepClockTiming, TempoBelowOnePlaysAsTheLowestTempo) {
    GrooveState s = everyStep(4, 1, 0);
    FakeSink sink;
    StepClock clock(s, sink);
    clock.start();
    runTo(clock, sink, 3 * kMinute / 40);
    ASSERT_GE(sink.notes.size(), 2u);
    EXPECT_EQ(sink.notes[1].on - sink.notes[0].on, kMinute / 40);
}

TEST(StepClockPlaying, ARowPlaysItsNoteAtTheStepVelocityUnlessMuted) {
    GrooveState s = everyStep(4, 1, 120);
    s.row(1).VOL[1] = 0;    // silent step
    s.row(1).VOL[2] = 300;  // out of range: the loudest a note can be
    s.row(2).BUF.fill(1);
    s.row(2).DV = 0;  // muted row
    FakeSink sink;
    StepClock clock(s, sink);
    clock.start();
    runTo(clock, sink, 3 * 22050);
    ASSERT_EQ(sink.notes.size(), 3u);  // steps 0, 2 and 3
    EXPECT_EQ(sink.notes[0].key, 41);
    EXPECT_EQ(sink.notes[0].velocity, 100);
    EXPECT_EQ(sink.notes[1].on, 2 * 22050);
    EXPECT_EQ(sink.notes[1].velocity, 127);
}

TEST(StepClockPlaying, AGrooveWithNoStepsPlaysNothingUntilItHasSome) {
    GrooveState s = everyStep(4, 1, 120);
    s.BARS = 0;
    FakeSink sink;
    RecordingListener listener;
    StepClock clock(s, sink);
    clock.setListener(&listener);
    clock.start();
    runTo(clock, sink, 100000);
    EXPECT_TRUE(sink.notes.empty());
    EXPECT_TRUE(listener.sounded.empty());
    EXPECT_TRUE(clock.running());
    s.BARS = 1;
    clock.pump();
    ASSERT_EQ(sink.notes.size(), 1u);
    EXPECT_EQ(sink.notes[0].on, 100000);
}

TEST(StepClockPlaying, EveryNoteEndsWhereItsOwnStepEndsWhateverIsEditedMeanwhile) {
    GrooveState s = everyStep(4, 2, 160);
    for (int n = 2; n <= kRowCount; ++n) s.row(n).BUF.fill(1);
    FakeSink sink;
    StepClock clock(s, sink);
    clock.start();
    for (int round = 0; round < 200; ++round) {
        runTo(clock, sink, sink.now + 1500);
        // Edits between pumps: notes, volumes, steps, tempo and grid.
        DrumRow& row = s.row(1 + round % kRowCount);
        row.DR = 35 + round % 50;
        row.DV = round % 3 == 0 ? 0 : 90;
        row.BUF[static_cast<size_t>(round % 16)] ^= 1;
        s.TEMPO = 40 + (round * 37) % 200;
        s.SUB = 1 + round % 4;
    }
    // Each step's notes start together and all stop when the next step starts.
    std::vector<int64_t> starts;
    for (const RecordedNote& n : sink.notes)
        if (starts.empty() || starts.back() != n.on) starts.push_back(n.on);
    for (const RecordedNote& n : sink.notes) {
        auto it = std::upper_bound(starts.begin(), starts.end(), n.on);
        if (it != starts.end()) {
            EXPECT_LE(n.off, *it);
        }
        EXPECT_GT(n.off, n.on);
    }
}

}  // namespace
}  // namespace pattaplex
