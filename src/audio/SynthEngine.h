#pragma once
// The audio side: the scheduler (step clock, timed notes, transport) and the General MIDI
// synthesizer (FluidSynth) that sounds what it lists. The main thread loads soundfonts,
// selects presets, publishes the groove and queues commands; the audio thread (or an
// offline renderer) calls render(), which runs a block of the scheduler and plays each of
// its notes at its frame. Other consumers (the MIDI output) read the same block's events
// after render(). The audio thread takes no lock of ours, allocates nothing and never
// waits.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "BlockListener.h"
#include "GrooveSnapshot.h"
#include "MasterBus.h"
#include "MidiOptions.h"
#include "Scheduler.h"
#include "kit_mapping.h"

namespace pattaplex {

class SynthEngine {
  public:
    // Soundfonts named by PATTAPLEX_SOUNDFONT, else the FluidR3 General MIDI set, in
    // loading order: each goes above the ones before.
    static std::vector<std::string> soundfonts();

    // `cores`: threads FluidSynth renders its voices on (for renders; the audio thread
    // keeps to one).
    explicit SynthEngine(int rate = kSampleRate, int cores = 1);
    ~SynthEngine();
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    int rate() const { return scheduler_.rate(); }
    // Frames a sound device holds between the engine and the speaker.
    int deviceBufferFrames() const;
    // While no audio thread runs: a new sample rate for the synthesizer and the clock;
    // the sample clock and the next step are carried over.
    void setRate(int rate);

    // Loads the soundfonts (samples load on demand). Nothing on success, else the reason;
    // a failed load leaves none loaded, and the next one tries again.
    std::optional<std::string> load();
    bool loaded() const;

    // Selects the preset on its channel when a loaded soundfont holds it; notes from then
    // on play there. Loads its samples first, on the calling thread.
    bool selectPreset(const KitPreset& preset);
    // The same, done by a worker thread: false at once when no soundfont holds the
    // preset. Until its samples are loaded the old preset keeps sounding, so the audio
    // thread never waits for the disk. The latest request wins.
    bool requestPreset(const KitPreset& preset);
    // Main thread: waits until the worker has selected every preset asked for.
    void waitForPresets();

    // Main thread. False when the queue is full and the command was dropped.
    bool send(const NoteCommand& command) { return scheduler_.send(command); }
    // Main thread: the groove the clock plays from now, or from pass `forPass`.
    uint64_t publish(const GrooveSnapshot& groove, int64_t forPass = 0, bool prepared = false) {
        return scheduler_.publish(groove, forPass, prepared);
    }
    void collect() { scheduler_.collect(); }

    // Audio thread: renders `frames` stereo samples and advances the sample clock. With
    // no buffers (or no soundfont) the clock and the notes run but nothing is synthesized.
    void render(float* left, float* right, int frames);
    // Audio thread, before render(): a MIDI message received at `frame` of the coming block.
    void receiveMidi(int frame, const uint8_t* bytes, int size) {
        scheduler_.receive(frame, bytes, size);
    }
    // Audio thread, before render(): JACK transport at the coming block's start.
    void receiveTransport(const TransportPosition& position) {
        scheduler_.receiveTransport(position);
    }
    // Audio thread, after render(): a start (1) or stop (0) of JACK transport asked for.
    int takeTransportRequest() { return scheduler_.takeTransportRequest(); }
    // Audio thread: the groove's tempo and beats per bar, for a JACK timebase master.
    double grooveTempo() const { return scheduler_.grooveTempo(); }
    int grooveBeats() const { return scheduler_.grooveBeats(); }
    // Main thread: the Link session the clock follows when the options ask for it (null:
    // none); it must outlive the audio thread.
    void setLink(LinkSession* link) { scheduler_.setLink(link); }
    // Main thread: told of each block from the next one on (null: none). Once this has
    // returned, the one before is not called any more.
    void setBlockListener(BlockListener* listener);
    // The events of the block rendered last, each at its frame in that block.
    std::span<const TimedEvent> blockEvents() const { return scheduler_.blockEvents(); }
    int64_t position() const { return scheduler_.position(); }
    // Audio thread, after a render: the clock is stopped, no note waits, no clock is followed
    // and every voice has died away, so that nothing but silence would come until the next
    // command.
    bool asleep() const { return scheduler_.idle() && quiet_; }
    // Audio thread, while asleep(): the sample clock moves on by `frames` of silence (a
    // multiple of 128) with nothing rendered; what was queued meanwhile plays from the
    // next render on.
    void passSilence(int64_t frames);
    // Any thread.
    EngineReport report() const { return scheduler_.report(); }

    // What goes out over MIDI, and whether the synthesizer sounds the notes itself.
    MidiOptions& midiOptions() { return midi_; }
    const MidiOptions& midiOptions() const { return midi_; }

    // The master volume, limiter and peak meter every rendered block goes through.
    MasterBus& masterBus() { return masterBus_; }
    const MasterBus& masterBus() const { return masterBus_; }

    // The FluidSynth synthesizer, for the audio driver only.
    void* synthHandle() const;
    void* settingsHandle() const;

  private:
    bool select(const KitPreset& preset, bool fromWorker);
    void loadPresets();
    void apply(const TimedEvent& event);
    void applyDue(int64_t until);
    void switchChorusOnIfSentTo();
    bool synthesize(float* left, float* right, int frames);
    bool renderSynth(float* left, float* right, int frames);

    struct Fluid;
    std::unique_ptr<Fluid> fluid_;
    int factor_;  // device samples to a synthesizer sample: 1, or 2 above 96 kHz
    MidiOptions midi_;
    Scheduler scheduler_;
    std::atomic<BlockListener*> listener_{nullptr};
    std::atomic<bool> listenerBusy_{false};  // the audio thread may be calling it

    // Audio thread only.
    std::span<const TimedEvent> events_;  // the block's, from `next_` on still to apply
    size_t next_ = 0;
    int64_t rendered_ = 0;       // device samples
    int64_t synthRendered_ = 0;  // synthesizer samples
    // Doubling: the last synthesizer sample, and whether its copy is still to go out.
    static constexpr int kUpChunk = 512;
    std::array<float, kUpChunk> upLeft_{}, upRight_{};
    std::array<float, 2> lastSample_{};
    bool phase_ = false;
    int channel_ = 0;
    bool quiet_ = true;  // no voice sounds and the output has died away
    bool chorusOn_ = false;

    MasterBus masterBus_;
};

}  // namespace pattaplex
