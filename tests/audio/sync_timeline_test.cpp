// Where Link's shared beats and JACK transport's bar, beat and tick put the groove's steps.

#include <gtest/gtest.h>

#include <vector>

#include "SyncTimeline.h"

namespace pattaplex {
namespace {

// The beats `count` steps fall on from a start, the clock wrapping after `steps`.
std::vector<double> stepBeats(BeatStepper& stepper, int count, int steps, int sub, double quantum,
                              int first = 0) {
    std::vector<double> beats;
    int step = first;
    for (int i = 0; i < count; ++i) {
        beats.push_back(stepper.nextBeat());
        step = (step + 1) % steps;
        stepper.advance(step, sub, quantum);
    }
    return beats;
}

TEST(SyncTimeline, EveryPassOfTheGrooveBeginsOnABarLineOfTheSession) {
    // Four steps a beat, two bars of four: a start at beat 5.3 waits for the bar at 8.
    BeatStepper four;
    four.start(0, 4, 4, 5.3);
    const std::vector<double> beats = stepBeats(four, 33, 32, 4, 4);
    for (int i = 0; i < 33; ++i) EXPECT_DOUBLE_EQ(beats[static_cast<size_t>(i)], 8 + i * 0.25) << i;

    // Beats per bar 3 is a quantum of 3; three steps a beat do not add up in binary, yet
    // the thousandth pass still begins on its bar line.
    BeatStepper waltz;
    waltz.start(0, 3, 3, 0.5);
    EXPECT_DOUBLE_EQ(waltz.nextBeat(), 3);
    const std::vector<double> long_run = stepBeats(waltz, 9 * 1000 + 1, 9, 3, 3);
    EXPECT_DOUBLE_EQ(long_run.back(), 3 + 3 * 1000);

    // A start just short of a bar line through rounding is on it, not a bar late.
    BeatStepper close;
    close.start(0, 2, 4, 8 - 1e-10);
    EXPECT_DOUBLE_EQ(close.nextBeat(), 8);
}

TEST(SyncTimeline, AResumedStepWaitsForItsPlaceInTheBarAndChangesTakeEffectFromTheNextStep) {
    // Step 5 of two steps a beat and bars of 3 lies 2.5 beats into its bar.
    BeatStepper resumed;
    resumed.start(5, 2, 3, 4);
    EXPECT_DOUBLE_EQ(resumed.nextBeat(), 5.5);
    resumed.advance(0, 2, 3);  // a pass of six steps ends: step 0 on the bar at 6
    EXPECT_DOUBLE_EQ(resumed.nextBeat(), 6);

    // SUB 4 becomes 2 after the second step: that step still lasts a quarter beat.
    BeatStepper sub;
    sub.start(0, 4, 4, 0);
    sub.advance(1, 4, 4);
    sub.advance(2, 2, 4);
    EXPECT_DOUBLE_EQ(sub.nextBeat(), 0.5);
    sub.advance(3, 2, 4);
    EXPECT_DOUBLE_EQ(sub.nextBeat(), 1.0);

    // A groove cut short mid-bar wraps early: its next pass waits for the bar line.
    BeatStepper cut;
    cut.start(0, 1, 4, 0);
    cut.advance(1, 1, 4);
    cut.advance(0, 1, 4);
    EXPECT_DOUBLE_EQ(cut.nextBeat(), 4);
}

TEST(SyncTimeline, HostTimesMapToBeatsAndSamples) {
    const BeatLine line{16, 2'000'000, 133};
    EXPECT_DOUBLE_EQ(line.beatAt(line.microsAt(19.75)), 19.75);
    EXPECT_NEAR(line.beatAt(2'000'000 + 60e6 / 133), 17, 1e-12);
    // 1 ms after the block is heard is 48 samples into it at 48 kHz.
    EXPECT_EQ(sampleOfMicros(5'001'000, 5'000'000, 1000, 48000), 1048);
    EXPECT_EQ(sampleOfMicros(4'999'000, 5'000'000, 1000, 44100), 1000 - 44);
}

TEST(SyncTimeline, JackPositionsGiveTheStepsOfTheGroove) {
    // Bar 3, beat 2, tick 960 of 1920 in 4/4: 9.5 beats in.
    TransportPosition p;
    p.bbt = true;
    p.bar = 3, p.beat = 2, p.tick = 960;
    EXPECT_DOUBLE_EQ(transportBeats(p, 100), 9.5);
    // Without a timebase master the frames count at the groove's tempo.
    p.bbt = false;
    p.frame = 96000, p.rate = 48000;
    EXPECT_DOUBLE_EQ(transportBeats(p, 90), 3);

    // Two steps a beat, a groove of 8 steps: the step at or after 9.5 beats is number
    // 19, step 3 of its pass; one just past a step waits for the next.
    const TransportStep at = transportStep(9.5, 2, 8);
    EXPECT_EQ(at.count, 19);
    EXPECT_EQ(at.step, 3);
    EXPECT_DOUBLE_EQ(at.beat, 9.5);
    EXPECT_EQ(transportStep(9.5 + 1e-3, 2, 8).count, 20);
    EXPECT_EQ(transportStep(9.5 - 1e-12, 2, 8).count, 19);
    EXPECT_EQ(transportStep(0, 4, 0).step, 0);
}

TEST(SyncTimeline, ATimebaseMastersBarBeatAndTickReadBackAsTheSameBeats) {
    const Bbt b = bbtOfBeats(7.5, 3, 1920);
    EXPECT_EQ(b.bar, 3);
    EXPECT_EQ(b.beat, 2);
    EXPECT_EQ(b.tick, 960);
    EXPECT_DOUBLE_EQ(b.barStartTick, 6 * 1920);
    for (double beats : {0.0, 0.999999, 1.0, 3.0 - 1e-9, 12.25, 1234.5678}) {
        const Bbt bbt = bbtOfBeats(beats, 3, 1920);
        ASSERT_GE(bbt.beat, 1);
        ASSERT_LE(bbt.beat, 3);
        ASSERT_LT(bbt.tick, 1920);
        TransportPosition p;
        p.bbt = true;
        p.bar = bbt.bar, p.beat = bbt.beat, p.tick = bbt.tick, p.beatsPerBar = 3;
        EXPECT_NEAR(transportBeats(p, 120), beats, 1.0 / 1920) << beats;
    }
}

}  // namespace
}  // namespace pattaplex
