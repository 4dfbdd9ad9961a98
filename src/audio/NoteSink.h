#pragma once
// What the step clock plays from and into: the groove it reads and the synthesizer that
// sounds its notes at sample times.

#include <cstdint>

namespace pattaplex {

struct GrooveSnapshot;

// The rate renders use unless told otherwise, and the synthesizer's first rate.
constexpr int kSampleRate = 44100;
// The rates a device or a render may run at.
constexpr int kLowestRate = 22050;
constexpr int kHighestRate = 192000;

class NoteSink {
  public:
    virtual ~NoteSink() = default;
    // The groove to play; null before the first one is published.
    virtual const GrooveSnapshot* groove() = 0;
    // Step 0 of a new pass is due: a groove prepared for that pass may take over now.
    virtual void passStarting() {}
    // One note of a step: sounds from `onTime` to `offTime` (sample times).
    virtual void playStepNote(int64_t onTime, int64_t offTime, int key, int velocity) = 0;
};

}  // namespace pattaplex
