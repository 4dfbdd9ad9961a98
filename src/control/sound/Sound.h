#pragma once
// The sound side as the window's actions see it: the note output and the step clock.

namespace pattaplex {

// Told by the step clock what the window shows about playback. Called only from inside
// Sound::pump(), on the main thread.
class ClockListener {
  public:
    virtual ~ClockListener() = default;
    // A step has just sounded; `nextStep` is the step that will sound after it.
    virtual void stepSounded(int nextStep) = 0;
    // Infinite random is on and the loop is about to start over: re-randomise now,
    // before step 0 of the next pass is scheduled.
    virtual void loopWrapping() = 0;
};

class Sound {
  public:
    virtual ~Sound() = default;

    // Opens the note output for instrument or drum kit `kit`, closing any open one
    // first. False when the kit is refused (the output is then closed and the step clock
    // halted) or when no sound device could be opened (the program then runs silently,
    // the step clock keeps time on its own, and the next initQT tries the device again).
    virtual bool initQT(int kit) = 0;
    virtual void closeOutput() = 0;

    // Plays `note` at `velocity` for 4/60 s without holding up the caller.
    virtual void audition(int note, int velocity) = 0;

    // The step clock: runs from the groove's LOOP until stopped; the first step is
    // scheduled by the next pump(). Stopping leaves LOOP at the next step that would have
    // sounded. Never blocks.
    virtual void startClock() = 0;
    virtual void stopClock() = 0;
    virtual bool clockRunning() const = 0;

    // Schedules the next few tens of milliseconds of the groove and tells the listener
    // about the steps that have sounded since the last call. The window calls it on the
    // main thread every few milliseconds (a 5 ms timer); edits of the groove reach the
    // sound within the scheduling lookahead.
    virtual void pump() {}

    // The master volume, 0..1: a gain on everything the output plays, taking effect
    // within one audio block. Audio exports started afterwards play at it too.
    virtual void setMasterVolume(float volume) { (void)volume; }
    // The highest absolute sample sent to the sound device since the last call (1 = full
    // scale, 0 = silence or no device); each call starts a new measure. Never blocks.
    virtual float outputPeak() { return 0.0f; }
};

}  // namespace pattaplex
