#pragma once
// Where an outside timeline puts the groove's steps: a Link session's shared beats, and
// JACK transport's bar, beat and tick. Plain arithmetic, safe on the audio thread.
//
// Link: the groove's bar is the session's quantum (its beats per bar), and step 0 of every
// pass falls on a bar line, so that peers play their bars together. Step k of a pass lies
// k / SUB beats after the bar line its pass began on.
//
// JACK: the transport's position counts beats from its start: (bar - 1) x beats per bar +
// (beat - 1) + tick / ticks per beat, as the timebase master tells, or frames / rate x
// tempo / 60 without one. The step at beat b is floor(b x SUB) modulo the groove's steps.

#include <cstdint>

namespace pattaplex {

// A stretch of a beat timeline at one tempo: `beat` falls at host time `micros`
// (microseconds) and `tempo` beats pass in a minute.
struct BeatLine {
    double beat = 0;
    double micros = 0;
    double tempo = 120;

    double beatAt(double t) const { return beat + (t - micros) * tempo / 60e6; }
    double microsAt(double b) const { return micros + (b - beat) * 60e6 / tempo; }
};

// Beats closer than this to a bar line or a step count as on it: far below a sample at any
// tempo, far above the rounding of a double.
constexpr double kBeatSlack = 1e-7;

// The first bar line at or after `beat`, with bars of `quantum` beats.
double barLineFrom(double beat, double quantum);

// Sample time of host time `micros` in a block that begins at sample `blockStart` and is
// heard at host time `blockMicros`.
int64_t sampleOfMicros(double micros, double blockMicros, int64_t blockStart, int rate);

// Lays a groove's steps on a shared beat timeline: step 0 of every pass on a bar line,
// the steps of a pass 1 / SUB beat apart. A change of SUB or of the bar length takes
// effect from the step that follows it.
class BeatStepper {
  public:
    // Playback from step `step` of a groove of `sub` steps a beat and bars of `quantum`
    // beats, at the first beat at or after `from` where that step lies in its bar.
    void start(int step, int sub, double quantum, double from);
    // The beat the next step falls on.
    double nextBeat() const { return base_ + static_cast<double>(count_) / sub_; }
    // The next step has begun; `next` is the step after it (0 begins a pass).
    void advance(int next, int sub, double quantum);

  private:
    double base_ = 0;  // beat of the step counted from
    int64_t count_ = 0;
    int sub_ = 1;
};

// JACK transport's position in the terms of jack_position_t.
struct TransportPosition {
    bool rolling = false;
    uint32_t frame = 0;
    int rate = 48000;
    bool bbt = false;  // a timebase master gives the fields below
    int32_t bar = 1;   // from 1
    int32_t beat = 1;  // from 1
    double tick = 0;   // within the beat, with its fraction where the master gives one
    double ticksPerBeat = 1920;
    double beatsPerBar = 4;
    double tempo = 120;
};

// Beats from the transport's start to its position; without a timebase master, at
// `tempo` from frame 0.
double transportBeats(const TransportPosition& p, double tempo);

// The first step of a groove (`steps` a pass, `sub` a beat) that begins at or after
// `beats` into the timeline.
struct TransportStep {
    int step = 0;       // in its pass
    int64_t count = 0;  // steps from the timeline's start
    double beat = 0;    // where it begins
};
TransportStep transportStep(double beats, int sub, int steps);

// What a timebase master publishes `beats` into its timeline: bar and beat from 1, the
// tick within the beat and the ticks before the bar.
struct Bbt {
    int32_t bar = 1;
    int32_t beat = 1;
    int32_t tick = 0;
    double exactTick = 0;  // with its fraction
    double barStartTick = 0;
};
Bbt bbtOfBeats(double beats, int beatsPerBar, double ticksPerBeat);

// A timebase master's count of beats: on from the last cycle at the present tempo, so that a
// change of tempo moves nothing already passed; from frame 0 after the transport is moved.
class TimebaseClock {
  public:
    double beatsAt(uint32_t frame, bool relocated, double tempo, uint32_t rate);

  private:
    bool known_ = false;
    uint32_t frame_ = 0;
    double beats_ = 0;
};

}  // namespace pattaplex
