#pragma once
// Plays the step clock on a Link session's beats, on the audio thread: the session's start
// starts it on a bar line (the next one among peers), its stop stops it, and every step
// sounds where its beat reaches the speaker, whatever the session's tempo does.

#include <cstdint>

#include "LinkSession.h"
#include "NoteSink.h"
#include "StepClock.h"
#include "SyncTimeline.h"

namespace pattaplex {

class LinkClock {
  public:
    enum class Change { None, Started, Stopped };

    // One block of `frames` samples beginning at sample `start`, with the session as
    // captured for it and bars of `quantum` beats. Playback starts from the clock's next
    // step, at the first beat from the session's start where that step lies in its bar.
    Change run(const LinkSession::Block& session, int64_t start, int frames, int rate,
               double quantum, StepClock& clock, NoteSink& sink);

    // Host time the first step since the last start reaches the speaker, in microseconds.
    double firstStepMicros() const { return firstStepMicros_; }
    // The session's beat of that step, and the step.
    double startBeat() const { return startBeat_; }
    int startStep() const { return startStep_; }

  private:
    BeatStepper stepper_;
    bool following_ = false;
    bool first_ = false;
    double firstStepMicros_ = 0;
    double startBeat_ = 0;
    int startStep_ = 0;
};

}  // namespace pattaplex
