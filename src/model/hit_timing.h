#pragma once
// When and how loud each hit of a step sounds: swing, repeats, chance and humanise laid
// over the straight grid. One pure function serves the step clock, the audio renders and
// the MIDI export, so the groove plays the same everywhere. Every random choice comes
// from (seed, pass, row, step), never from earlier draws, so a pass sounds the same
// whatever was played before it and however the work is cut into blocks.

#include <array>
#include <cstdint>

#include "GrooveState.h"

namespace pattaplex {

// How a pass of the groove lies in time, in units of the caller's choice: samples
// (rate x 60 units a minute) or MIDI ticks (ticks per beat x tempo).
struct HitTiming {
    int64_t unitsPerMinute = 0;
    int32_t tempo = 0;  // beats per minute; below 1 counts as the slowest tempo
    int32_t sub = 1;    // steps per beat
    int32_t swing = kStraightSwing;
    int32_t humaniseMs = 0;
    int32_t humaniseVelocity = 0;
    uint64_t seed = 0;
};

// One step of one row as the groove holds it.
struct StepFeel {
    int32_t velocity = 0;  // 0 or less: the step is silent
    int32_t repeats = 1;   // brought into 1..4
    int32_t chance = kSurely;
};

struct Hit {
    int64_t offset = 0;  // units after the step's straight start
    int32_t velocity = 0;
};

struct StepHits {
    int count = 0;
    int64_t length = 0;                    // units from one hit to the next before humanise
    std::array<Hit, kMostRepeats> hits{};  // the first `count`, in time order
};

// The hits of `step` (0-based in its pass) of `row` at pass `pass`. A step whose chance
// fails at this pass has none. Swing and repeats place hits exactly (to the nearest unit);
// humanise then moves each by up to its amount either way, never before the pass begins.
StepHits stepHits(const HitTiming& timing, int64_t pass, int row, int step, const StepFeel& feel);

// The seed of the hits' random choices wherever no other is given: live playback, the
// audio export and the MIDI export, so that they agree with a render's default.
constexpr uint64_t kDefaultFeelSeed = 1;

// The straight start of `step` in its pass, in the timing's units (rounded down).
int64_t straightStepStart(const HitTiming& timing, int step);

}  // namespace pattaplex
