#pragma once
// The General MIDI synthesizer (FluidSynth) and the notes waiting for their sample time.
// The main thread loads soundfonts, selects presets and queues notes; the audio thread
// (or an offline renderer) calls render(), which applies each note at its sample time.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "MasterBus.h"
#include "SpscQueue.h"
#include "kit_mapping.h"

namespace pattaplex {

struct NoteCommand {
    enum class Kind : uint8_t {
        NoteOn,
        NoteOff,
        CancelSteps,  // drops the step notes of steps starting at `time` or later
        Silence,      // stops every sounding note; notes still to come stay
        Flush,        // stops every sounding note and drops every note still to come
        SetChannel,   // later notes play on `channel`
    };
    Kind kind = Kind::NoteOn;
    bool ofStep = false;  // sent by the step clock (cancellable), not an audition
    uint8_t channel = 0;
    uint8_t key = 0;
    uint8_t velocity = 0;
    int64_t time = 0;      // sample time to apply at (for CancelSteps: first step dropped)
    int64_t stepTime = 0;  // start of the step the note belongs to
};

class SynthEngine {
  public:
    // Soundfonts named by PATTAPLEX_SOUNDFONT, else the FluidR3 General MIDI set.
    static std::string soundfontList();

    SynthEngine();
    ~SynthEngine();
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    // Loads the soundfonts (samples load on demand). Nothing on success, else the reason.
    std::optional<std::string> load();
    bool loaded() const;

    // Selects the preset on its channel when a loaded soundfont holds it; notes from then
    // on play there.
    bool selectPreset(const KitPreset& preset);

    // Main thread. False when the queue is full and the command was dropped.
    bool send(const NoteCommand& command);

    // Audio thread: renders `frames` stereo samples and advances the sample clock.
    void render(float* left, float* right, int frames);
    int64_t position() const { return position_.load(std::memory_order_acquire); }

    // The master volume, limiter and peak meter every rendered block goes through.
    MasterBus& masterBus() { return masterBus_; }

    // The FluidSynth synthesizer, for the audio driver only.
    void* synthHandle() const;
    void* settingsHandle() const;

  private:
    void takeCommands();
    void apply(const NoteCommand& command);
    void insertPending(const NoteCommand& command);

    struct Fluid;
    std::unique_ptr<Fluid> fluid_;
    SpscQueue<NoteCommand, 4096> queue_;
    // Notes waiting for their time, in time order; only the audio thread touches them.
    static constexpr size_t kPendingCapacity = 2048;
    std::array<NoteCommand, kPendingCapacity> pending_{};
    size_t pendingCount_ = 0;
    int64_t rendered_ = 0;  // audio thread's own count
    int channel_ = 0;       // audio thread's channel for notes
    std::atomic<int64_t> position_{0};
    MasterBus masterBus_;
};

}  // namespace pattaplex
