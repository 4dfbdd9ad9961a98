#pragma once
// The step clock: plays the groove in a loop by scheduling each step's notes a little
// ahead against the audio sample clock. Runs on the main thread, driven by pump().

#include <cstdint>
#include <deque>

#include "GrooveState.h"
#include "NoteSink.h"
#include "Sound.h"

namespace pattaplex {

class StepClock {
  public:
    // How far ahead of the audio clock steps are scheduled: long enough to ride out a
    // busy main thread, short enough that edits are heard at once.
    static constexpr int64_t kLookahead = kSampleRate * 60 / 1000;
    // A beat lasts this many samples times 1/TEMPO; a step another 1/SUB of that.
    static constexpr int64_t kSamplesPerMinute = int64_t{kSampleRate} * 60;
    static constexpr int kLowestTempo = 40;

    // `startDelay`: samples between a start and its first step, so that the first step
    // reaches the audio side before it is due.
    StepClock(GrooveState& s, NoteSink& sink, int64_t startDelay = 0);

    void setListener(ClockListener* listener) { listener_ = listener; }

    // Starts from the groove's LOOP; the first step is scheduled by the next pump().
    void start();
    // Cancels the steps that have not sounded yet and leaves LOOP at the first of them,
    // so a later start resumes right there. Also used when the output fails (halted).
    // Returns the sample time the first cancelled step would have sounded at.
    int64_t stop();
    bool running() const { return running_; }

    // Tells the listener about sounded steps, then schedules up to the lookahead.
    void pump();

  private:
    struct ScheduledStep {
        int64_t time;
        int step;
        int next;
    };

    void notifySounded(int64_t now);
    void scheduleStep(int stepsInGroove);
    int64_t nextStepLength();

    GrooveState& s_;
    NoteSink& sink_;
    int64_t startDelay_;
    ClockListener* listener_ = nullptr;

    bool running_ = false;
    int cursor_ = 0;         // next step to schedule
    bool wrapped_ = false;   // the cursor has just wrapped to step 0
    int64_t nextTime_ = 0;   // sample time of the next step to schedule
    int64_t remainder_ = 0;  // fraction of a sample carried between steps, in 1/divisor_
    int64_t divisor_ = 0;    // TEMPO x SUB of the last step
    std::deque<ScheduledStep> unsounded_;
};

}  // namespace pattaplex
