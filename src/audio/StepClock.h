#pragma once
// The step clock: plays the groove in a loop, putting each step's notes at their exact
// sample time. It runs on the audio side, inside the render of each block of samples,
// so nothing the window's thread does can delay or drop a step.

#include <cstdint>

#include "NoteSink.h"

namespace pattaplex {

class StepClock {
  public:
    // A beat lasts rate x 60 / TEMPO samples; a step 1/SUB of that.

    explicit StepClock(int rate = kSampleRate) : rate_(rate) {}

    // A new sample rate: the time of the next step is carried over in the new unit.
    void setRate(int rate);

    // Starts at sample time `time` from `step`.
    void start(int64_t time, int step);
    // Stops: no step from now on plays. Returns the step that would have sounded next.
    int stop();
    bool running() const { return running_; }
    // The next step plays at sample time `time` instead (an outside clock sets the pace).
    void moveNextStep(int64_t time) { nextTime_ = time; }
    // Stops by itself where pass `passes` would begin (0: never), as a render does.
    void setPassLimit(int64_t passes) { passLimit_ = passes; }

    // Plays every step that starts before sample time `until`.
    void run(int64_t until, NoteSink& sink);

    // Where playback is: steps started so far, the last one and the next one, the passes
    // begun since the start, and when the next step and the next pass are due.
    int64_t stepsPlayed() const { return stepsPlayed_; }
    int lastStep() const { return lastStep_; }
    int nextStep() const { return cursor_; }
    int64_t passes() const { return passes_; }
    int64_t nextTime() const { return nextTime_; }
    int64_t passEnd(int stepsInGroove) const;

    // Samples in a minute at `rate`.
    static int64_t samplesPerMinute(int rate) { return int64_t{rate} * 60; }

  private:
    int64_t nextStepLength(int tempo, int sub);
    void playStep(const GrooveSnapshot& g, int step, int64_t length, NoteSink& sink);

    int rate_;
    bool running_ = false;
    int cursor_ = 0;         // next step to play
    bool wrapped_ = false;   // the cursor has just wrapped to step 0
    int64_t nextTime_ = 0;   // sample time of the next step
    int64_t remainder_ = 0;  // fraction of a sample carried between steps, in 1/divisor_
    int64_t divisor_ = 0;    // TEMPO x SUB of the last step
    int64_t lastLength_ = 0;
    int64_t stepsPlayed_ = 0;
    int lastStep_ = -1;
    int64_t passes_ = 0;
    int64_t passLimit_ = 0;
};

}  // namespace pattaplex
