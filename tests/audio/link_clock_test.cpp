// The step clock on a Link session's beats, against sessions made up here: where playback
// starts, where each step sounds as the speaker plays it, and how it stops.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "GrooveSnapshot.h"
#include "LinkClock.h"

namespace pattaplex {
namespace {

constexpr int kRate = 48000;

// A groove of one bar of `beats` beats with `sub` steps a beat, every step on, each step's
// note its number; a session whose beat 0 is at host time 0.
struct Rig : NoteSink {
    Rig(int beats, int sub) {
        GrooveState s;
        std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(1, beats, sub, 120);
        s.row(1).DV = 100;
        s.row(1).BUF.fill(1);
        s.row(1).VOL.fill(100);
        g = GrooveSnapshot::of(s);
        quantum = beats;
    }
    const GrooveSnapshot* groove() override { return &g; }
    void playStepNote(int64_t on, int64_t, int, int) override {
        onsets.push_back(on);
        steps.push_back(clock.nextStep());
    }
    // Blocks of 256 samples up to `until`, heard `latency` seconds after they are made.
    void runTo(int64_t until, bool playing, double startMicros = 0) {
        for (; now < until; now += 256) {
            LinkSession::Block b;
            b.heardMicros = heardAt(now) + latency * 1e6;
            b.line = {beatAt(b.heardMicros), b.heardMicros, tempo};
            b.playing = playing;
            b.startMicros = startMicros;
            link.run(b, now, 256, kRate, quantum, clock, *this);
        }
    }
    // The session's beat at host time `t`, and a new tempo from the present block on.
    double beatAt(double t) const { return anchorBeat + (t - anchorMicros) * tempo / 60e6; }
    double heardAt(int64_t sample) const { return static_cast<double>(sample) * 1e6 / kRate; }
    void setTempo(double bpm) {
        anchorBeat = beatAt(heardAt(now));
        anchorMicros = heardAt(now);
        tempo = bpm;
    }
    double anchorBeat = 0, anchorMicros = 0;
    GrooveSnapshot g;
    StepClock clock{kRate};
    LinkClock link;
    double quantum = 4, tempo = 120, latency = 0;
    int64_t now = 0;
    std::vector<int64_t> onsets;
    std::vector<int> steps;
};

constexpr int64_t kBeat = kRate / 2;  // at 120 BPM

TEST(LinkClock, APeersStartPlaysFromTheNextBarLineEveryStepOnItsBeatAsHeard) {
    // Started at beat 5.3, seen a few blocks later: the first step waits for the bar at 8.
    Rig r(4, 2);
    r.runTo(6 * kBeat, true, 5.3 * 0.5e6);
    EXPECT_TRUE(r.onsets.empty());
    r.runTo(14 * kBeat, true, 5.3 * 0.5e6);
    ASSERT_EQ(r.onsets.size(), 13u);  // beats 8 to 14, two steps a beat
    for (size_t i = 0; i < r.onsets.size(); ++i) {
        EXPECT_EQ(r.onsets[i], 8 * kBeat + static_cast<int64_t>(i) * kBeat / 2) << i;
        EXPECT_EQ(r.steps[i], static_cast<int>(i % 8)) << i;
    }
    EXPECT_DOUBLE_EQ(r.link.firstStepMicros(), 4e6);

    // Heard 10 ms after it is made, a step is made 480 samples ahead of its beat; with
    // three beats a bar the quantum is 3: a start at beat 4.2 plays from beat 6.
    Rig late(3, 1);
    late.latency = 0.010;
    late.runTo(9 * kBeat, true, 4.2 * 0.5e6);
    ASSERT_EQ(late.onsets.size(), 4u);  // beats 6 to 9, the last made before its block
    EXPECT_EQ(late.onsets[0], 6 * kBeat - 480);
    EXPECT_EQ(late.onsets[2], 8 * kBeat - 480);
    EXPECT_DOUBLE_EQ(late.link.firstStepMicros(), 3e6);
}

TEST(LinkClock, TheStepsFollowTheSessionsTempoAndItsStopResumesInPhase) {
    Rig r(4, 1);
    r.runTo(2 * kBeat, true);
    // From 133 BPM on, a beat is 48000 x 60 / 133 samples.
    r.setTempo(133);
    const size_t before = r.onsets.size();
    r.runTo(4 * kBeat, true);
    ASSERT_GT(r.onsets.size(), before);
    for (size_t i = before; i < r.onsets.size(); ++i) {
        const double beat = r.beatAt(r.heardAt(r.onsets[i]));
        EXPECT_NEAR(beat, std::round(beat), 133.0 / 60 / kRate) << i;
    }
    // Stopped after step 1 of the bar beginning at beat 4: nothing more plays; the next
    // start resumes at step 2, in its place in the bar.
    r.runTo(5 * r.now / 4 / 256 * 256, true);
    const int next = r.clock.nextStep();
    const size_t played = r.onsets.size();
    r.runTo(r.now + 8 * kBeat, false);
    EXPECT_EQ(r.onsets.size(), played);
    EXPECT_FALSE(r.clock.running());
    r.runTo(r.now + 8 * kBeat, true, static_cast<double>(r.now) * 1e6 / kRate);
    ASSERT_GT(r.onsets.size(), played);
    EXPECT_EQ(r.steps[played], next);
    EXPECT_NEAR(std::fmod(r.beatAt(r.heardAt(r.onsets[played])), 4), next, 1e-3);
}

}  // namespace
}  // namespace pattaplex
