#pragma once
// The audio side: the General MIDI synthesizer (FluidSynth), the step clock and the notes
// waiting for their sample time. The main thread loads soundfonts, selects presets,
// publishes the groove and queues commands; the audio thread (or an offline renderer)
// calls render(), which runs the clock and applies each note at its sample time. The
// audio thread takes no lock of ours, allocates nothing and never waits.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "GrooveSnapshot.h"
#include "MasterBus.h"
#include "NoteSink.h"
#include "SpscQueue.h"
#include "StepClock.h"
#include "kit_mapping.h"

namespace pattaplex {

struct NoteCommand {
    enum class Kind : uint8_t {
        NoteOn,
        NoteOff,
        Silence,     // stops every sounding note; notes still to come stay
        Flush,       // stops every sounding note, drops every note still to come and
                     // mutes until the next Open
        Open,        // notes sound again after a Flush
        SetChannel,  // later notes play on `channel`
        Start,       // the step clock starts from step `step`; with `time` > 0 it stops
                     // by itself after that many passes
        Stop,        // the step clock stops
    };
    Kind kind = Kind::NoteOn;
    uint8_t channel = 0;
    uint8_t key = 0;
    uint8_t velocity = 0;
    int32_t step = 0;
    int64_t time = 0;  // sample time to apply at; 0 = at once
};

// Where playback stands, as the audio side last told.
struct EngineReport {
    int64_t position = 0;  // samples rendered
    bool running = false;
    int64_t stepsPlayed = 0;  // since the last start
    int lastStep = -1;        // the step that sounded last
    int nextStep = 0;         // the step that sounds next
    int64_t passes = 0;       // passes begun since the start, the first not counted
    int64_t passEnd = 0;      // sample time the next pass begins, at the present tempo
    int64_t nextTime = 0;     // sample time of the next step
    uint64_t playing = 0;     // serial of the groove playing
    uint64_t transport = 0;   // starts and stops carried out
    bool busy = false;        // the clock runs or notes are still to come
};

class SynthEngine : private NoteSink {
  public:
    // Soundfonts named by PATTAPLEX_SOUNDFONT, else the FluidR3 General MIDI set, in
    // loading order: each goes above the ones before.
    static std::vector<std::string> soundfonts();

    // `cores`: threads FluidSynth renders its voices on (for renders; the audio thread
    // keeps to one).
    explicit SynthEngine(int rate = kSampleRate, int cores = 1);
    ~SynthEngine() override;
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    int rate() const { return rate_; }
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
    bool send(const NoteCommand& command);
    // Main thread: the groove the clock plays from now, or from pass `forPass`.
    uint64_t publish(const GrooveSnapshot& groove, int64_t forPass = 0, bool prepared = false) {
        return handoff_.publish(groove, forPass, prepared);
    }
    void collect() { handoff_.collect(); }

    // Audio thread: renders `frames` stereo samples and advances the sample clock. With
    // no buffers (or no soundfont) the clock and the notes run but nothing is synthesized.
    void render(float* left, float* right, int frames);
    int64_t position() const { return shared_.position.load(); }
    // Audio thread, after a render: the clock is stopped, no note waits and every voice
    // has died away, so that nothing but silence would come until the next command.
    bool asleep() const { return !clock_.running() && pendingCount_ == 0 && quiet_; }
    // Any thread.
    EngineReport report() const;

    // The master volume, limiter and peak meter every rendered block goes through.
    MasterBus& masterBus() { return masterBus_; }
    const MasterBus& masterBus() const { return masterBus_; }

    // The FluidSynth synthesizer, for the audio driver only.
    void* synthHandle() const;
    void* settingsHandle() const;

  private:
    const GrooveSnapshot* groove() override { return current_; }
    void passStarting() override;
    void playStepNote(int64_t onTime, int64_t offTime, int key, int velocity) override;

    template <typename Queue>
    bool select(const KitPreset& preset, Queue& queue);
    void loadPresets();
    void takeSnapshots();
    void takeCommands();
    void apply(const NoteCommand& command);
    void insertPending(const NoteCommand& command);
    void synthesize(float* left, float* right, int frames);
    void renderSynth(float* left, float* right, int frames);
    int64_t synthTime(const NoteCommand& c) const;
    void dropApplied(size_t count);
    void publishReport();

    struct Fluid;
    std::unique_ptr<Fluid> fluid_;
    int rate_;
    int factor_;  // device samples to a synthesizer sample: 1, or 2 above 96 kHz
    SpscQueue<NoteCommand, 4096> queue_;
    SpscQueue<NoteCommand, 64> workerQueue_;  // from the preset worker
    SnapshotHandoff handoff_;

    // Audio thread only.
    GrooveSnapshot* current_ = nullptr;
    GrooveSnapshot* held_ = nullptr;  // waits for its pass
    StepClock clock_;
    // Notes waiting for their time, in time order.
    static constexpr size_t kPendingCapacity = 2048;
    std::array<NoteCommand, kPendingCapacity> pending_{};
    size_t pendingCount_ = 0;
    int64_t rendered_ = 0;       // device samples
    int64_t synthRendered_ = 0;  // synthesizer samples
    // Doubling: the last synthesizer sample, and whether its copy is still to go out.
    static constexpr int kUpChunk = 512;
    std::array<float, kUpChunk> upLeft_{}, upRight_{};
    std::array<float, 2> lastSample_{};
    bool phase_ = false;
    int channel_ = 0;
    bool muted_ = false;
    uint64_t transport_ = 0;
    bool quiet_ = true;  // no voice sounds and the output has died away

    // The report, written by the audio thread under a sequence count that readers check.
    struct Shared {
        std::atomic<uint64_t> sequence{0};
        std::atomic<int64_t> position{0}, stepsPlayed{0}, passes{0}, passEnd{0}, nextTime{0};
        std::atomic<int> lastStep{-1}, nextStep{0};
        std::atomic<uint64_t> playing{0}, transport{0};
        std::atomic<bool> running{false}, busy{false};
    } shared_;
    MasterBus masterBus_;
};

}  // namespace pattaplex
