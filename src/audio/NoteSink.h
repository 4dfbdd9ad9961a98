#pragma once
// Where the step clock sends its notes: a synthesizer with a sample clock.

#include <cstdint>

namespace pattaplex {

constexpr int kSampleRate = 44100;

class NoteSink {
  public:
    virtual ~NoteSink() = default;
    // Samples of output produced so far: the audio clock the step clock schedules against.
    virtual int64_t samplePosition() const = 0;
    // One note of a step: sounds from `onTime` to `offTime` (sample times).
    virtual void playStepNote(int64_t onTime, int64_t offTime, int key, int velocity) = 0;
    // Drops the notes of every step that starts at or after `stepTime` and has not sounded.
    virtual void cancelStepsFrom(int64_t stepTime) = 0;
};

}  // namespace pattaplex
