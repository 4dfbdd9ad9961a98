#pragma once
// The sound side as the window's actions see it: the note output and the step clock.

#include <string>

namespace pattaplex {

// Told by the sound side what the window shows about playback. Called only on the main
// thread: from inside Sound::pump() and Sound::initQT(), and when the output deals with a
// sound device it has lost.
class ClockListener {
  public:
    virtual ~ClockListener() = default;
    // Steps have sounded; `nextStep` is the step that will sound after the last of them.
    virtual void stepSounded(int nextStep) = 0;
    // Infinite random is on and the loop is about to start over: re-randomise now. The
    // groove as it then stands plays from step 0 of the next pass; if this comes too late
    // for that pass, the old groove plays once more and the new one follows it.
    virtual void loopWrapping() = 0;
    // Whether there is sound: "" when there is, else a line such as
    // "No sound: no JACK server running".
    virtual void soundStatusChanged(const std::string& status) { (void)status; }
    // Following an outside clock: it started (true) or stopped playback. A
    // stop because the clock went silent says so in `why`, else it is "".
    virtual void followedTransport(bool playing, const std::string& why) {
        (void)playing, (void)why;
    }
    // Following an outside clock: its tempo, in beats a minute, as it changes; 0 when it
    // gives none any more (JACK transport without a timebase master).
    virtual void followedTempo(double bpm) { (void)bpm; }
    // In a Link session: the number of other peers, as it changes.
    virtual void linkPeers(int peers) { (void)peers; }
};

// Where playback stands, read from the audio side without waiting.
struct PlayPosition {
    bool playing = false;
    int step = -1;             // the step sounding now; -1 before the first
    int nextStep = 0;          // the step that sounds next
    double secondsToNext = 0;  // until it does
    double latency = 0;        // seconds from the sound being made to its being heard
};

// Where the tempo and the start and stop come from.
enum class SyncSource { Internal, MidiClock, JackTransport, Link };

// What goes out over MIDI, and what the clock follows.
struct MidiSettings {
    bool sendNotes = false;
    bool internalSound = true;  // false: only the outside instrument plays
    int channel = 0;            // 1..16; 0: the kit's own, 10 for drum kits and 1 for others
    bool sendClock = false;
    SyncSource sync = SyncSource::Internal;
    bool timebaseMaster = false;  // JACK transport takes the groove's tempo, metre and bars
    friend bool operator==(const MidiSettings&, const MidiSettings&) = default;
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
    // Closes the sound device and opens it afresh for `kit`, as initQT does: for when
    // the sound has stopped reaching the speakers.
    virtual bool reopen(int kit) {
        closeOutput();
        return initQT(kit);
    }
    // The sound device in use, as "48000 Hz through JACK"; "" when there is none.
    virtual std::string deviceDescription() const { return {}; }

    // Plays `note` at `velocity` for 4/60 s without holding up the caller.
    virtual void audition(int note, int velocity) = 0;

    // The step clock: runs from the groove's LOOP until stopped, on the audio side, so
    // that a busy window never delays or drops a step. Stopping leaves LOOP at the next
    // step that would have sounded. Never blocks.
    virtual void startClock() = 0;
    virtual void stopClock() = 0;
    virtual bool clockRunning() const = 0;

    // While the clock runs (and all the while an outside clock is followed), the window
    // calls this every few milliseconds on the main
    // thread: it hands the groove's latest edits to the audio side and tells the listener
    // about the steps that have sounded since the last call.
    virtual void pump() {}

    // Where playback stands, for the position field and a playhead.
    virtual PlayPosition position() const { return {}; }
    // "" when there is sound, else why not, as the window shows it.
    virtual std::string soundStatus() const { return {}; }

    // The master volume, 0..1: a gain on everything the output plays, taking effect
    // within one audio block. Audio exports started afterwards play at it too.
    virtual void setMasterVolume(float volume) { (void)volume; }
    // The highest absolute sample sent to the sound device since the last call (1 = full
    // scale, 0 = silence or no device); each call starts a new measure. Never blocks.
    virtual float outputPeak() { return 0.0f; }

    // Taken from the next audio block on; auditions go out over MIDI too.
    virtual void setMidi(const MidiSettings& settings) { (void)settings; }
};

}  // namespace pattaplex
