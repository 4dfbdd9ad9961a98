#pragma once
// The timing of everything the program plays: the step clock, the notes waiting for their
// sample time and the transport. Each block of samples it hands its consumers (the
// synthesizer, the MIDI output) one list of the events due in that block, each at its
// frame, so that what they play cannot drift apart. The main thread publishes the groove
// and queues commands; the audio thread (or an offline renderer) runs the blocks. The
// audio thread takes no lock of ours, allocates nothing and never waits.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <utility>

#include "ClockFollower.h"
#include "GrooveSnapshot.h"
#include "LinkClock.h"
#include "MidiOptions.h"
#include "NoteSink.h"
#include "SpscQueue.h"
#include "StepClock.h"
#include "SyncTimeline.h"

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

// One thing due in a block, at `frame` samples from the block's start.
struct TimedEvent {
    enum class Kind : uint8_t {
        NoteOn,
        NoteOff,
        Silence,     // every sounding note stops
        SetChannel,  // the synthesizer's notes go to `channel` from here
        Start,       // playback starts from step 0
        Continue,    // playback resumes at `step` (a pause ends)
        Stop,        // playback stops or pauses
        Clock,       // one of 24 ticks of a beat
    };
    Kind kind = Kind::NoteOn;
    uint8_t channel = 0;
    uint8_t key = 0;
    uint8_t velocity = 0;
    int32_t step = 0;
    int32_t songPosition = 0;  // for Continue: sixteenths from the groove's (or transport's) start
    int32_t frame = 0;
    int64_t time = 0;  // the same as a sample time
};

// The furthest a MIDI song position pointer reaches, in sixteenths (its 14 bits).
constexpr int32_t kMaxSongPosition = 0x3FFF;

// Where playback stands, as the audio side last told.
struct EngineReport {
    int64_t position = 0;  // samples rendered
    bool running = false;
    int64_t stepsPlayed = 0;   // since the last start
    int lastStep = -1;         // the step that sounded last
    int nextStep = 0;          // the step that sounds next
    int64_t passes = 0;        // passes begun since the start, the first not counted
    int64_t passEnd = 0;       // sample time the next pass begins, at the present tempo
    int64_t nextTime = 0;      // sample time of the next step
    uint64_t playing = 0;      // serial of the groove playing
    uint64_t transport = 0;    // starts and stops carried out
    bool busy = false;         // the clock runs or notes are still to come
    double followedTempo = 0;  // of the outside clock followed, 0 when none or it gives none
    uint64_t clockLosses = 0;  // times playback stopped because the clock it followed went
};

class Scheduler : private NoteSink {
  public:
    // `grid`: notes sound on multiples of this many samples (the synthesizer's block).
    // `options.sync` says whether the pace and the transport come from the clock itself, the
    // MIDI clock received, JACK transport or Link.
    Scheduler(int rate, int grid, const MidiOptions& options);
    ~Scheduler() override;
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    int rate() const { return rate_; }
    // While no audio thread runs: a new sample rate and grid; the sample clock and the
    // next step are carried over.
    void setRate(int rate, int grid);

    // Main thread (or, for `sendFromWorker`, the one other thread that selects presets).
    // False when the queue is full and the command was dropped.
    bool send(const NoteCommand& command) { return queue_.push(command); }
    bool sendFromWorker(const NoteCommand& command) { return workerQueue_.push(command); }
    // Main thread: the groove the clock plays from now, or from pass `forPass`.
    uint64_t publish(const GrooveSnapshot& groove, int64_t forPass = 0, bool prepared = false) {
        return handoff_.publish(groove, forPass, prepared);
    }
    void collect() { handoff_.collect(); }

    // Audio thread, before beginBlock: a MIDI message received at `frame` of the block
    // (negative: that many samples before it).
    void receive(int frame, const uint8_t* bytes, int size);
    // Main thread: the Link session followed while the options ask for it, or null. It
    // outlives every block that may read it.
    void setLink(LinkSession* link) { link_.store(link); }
    // Audio thread, before beginBlock: JACK transport at the block's first sample.
    void receiveTransport(const TransportPosition& position) {
        transportPosition_ = position;
        transportFresh_ = true;
    }
    // Audio thread, after a block: a start (1) or stop (0) of JACK transport the user asked
    // for in it, else -1.
    int takeTransportRequest() { return std::exchange(transportRequest_, -1); }
    // Audio thread: what a JACK timebase master tells of the groove playing.
    double grooveTempo() const;
    int grooveBeats() const { return current_ ? std::max(current_->beats, 1) : 4; }
    // Audio thread: takes the commands and the groove, runs the clock over the next
    // `frames` samples and lists what is due in them, in time order.
    std::span<const TimedEvent> beginBlock(int frames);
    // Audio thread: the block is played; the sample clock moves on.
    void endBlock();
    // Audio thread, while idle(): `frames` samples of silence went by. Commands queued
    // meanwhile are left for the next block, so they play from the time they came.
    void passSilence(int64_t frames);
    // The events of the block begun last, until the next begins.
    std::span<const TimedEvent> blockEvents() const { return {block_.data(), blockCount_}; }
    int64_t blockStart() const { return rendered_; }

    int64_t position() const { return shared_.position.load(); }
    // Audio thread: the clock is stopped, no note waits and no outside clock is followed.
    bool idle() const { return !clock_.running() && pendingCount_ == 0 && !following_; }
    // Any thread.
    EngineReport report() const;

  private:
    const GrooveSnapshot* groove() override { return current_; }
    void passStarting() override;
    void playStepNote(int64_t onTime, int64_t offTime, int key, int velocity) override;

    void takeSnapshots();
    void takeCommands();
    void insertPending(const TimedEvent& event);
    void addToBlock(TimedEvent event);
    int64_t soundingTime(int64_t time) const;
    void startTicks();
    void continueTicks();
    void addTicks(int64_t until);
    void follow(int frames);
    void followedStart(int64_t time, int64_t tick);
    void followedTick(int64_t time, int64_t tick);
    void followedStop(int64_t time);
    void addAt(TimedEvent::Kind kind, int64_t time);
    enum class Source : uint8_t { Own, MidiClock, Link, Transport };
    Source wantedSource() const;
    void changeSource(Source source);
    void followLink(int frames);
    void followTransport(int frames);
    void transportStarted(int64_t time, int step, double beat);
    void transportStopped(int64_t time);
    void publishReport();

    int rate_;
    int grid_;
    SpscQueue<NoteCommand, 4096> queue_;
    SpscQueue<NoteCommand, 64> workerQueue_;  // from the preset worker
    SnapshotHandoff handoff_;
    const MidiOptions& options_;

    // Audio thread only.
    GrooveSnapshot* current_ = nullptr;
    GrooveSnapshot* held_ = nullptr;  // waits for its pass
    StepClock clock_;
    // Notes waiting for their time, in time order.
    static constexpr size_t kPendingCapacity = 2048;
    std::array<TimedEvent, kPendingCapacity> pending_{};
    size_t pendingCount_ = 0;
    // The block being played.
    static constexpr size_t kBlockCapacity = 4096;
    std::array<TimedEvent, kBlockCapacity> block_{};
    size_t blockCount_ = 0;
    int blockFrames_ = 0;
    int64_t rendered_ = 0;
    bool muted_ = false;
    uint64_t transport_ = 0;
    // The beat's 24 ticks, at their exact sample: the next one's time, and the fraction of
    // a sample carried from tick to tick in 1/tickDivisor_.
    bool ticking_ = false;
    int64_t nextTick_ = 0;
    int64_t tickRemainder_ = 0;
    int64_t tickDivisor_ = 0;
    // Following a MIDI clock: the messages of the coming block, and the next step by its
    // number from the groove's start.
    struct Received {
        int frame = 0;
        uint8_t bytes[3] = {};
        int size = 0;
    };
    static constexpr size_t kReceivedCapacity = 512;
    std::array<Received, kReceivedCapacity> received_{};
    size_t receivedCount_ = 0;
    bool following_ = false;  // an outside clock sets the pace
    Source source_ = Source::Own;
    ClockFollower follower_;
    int64_t followStep_ = 0;
    uint64_t clockLosses_ = 0;
    // Following a Link session.
    std::atomic<LinkSession*> link_{nullptr};
    LinkClock linkClock_;
    double linkTempo_ = 0;
    // Following JACK transport: its position at this block's start, the step counted last
    // from the timeline's start, and a start or stop asked of it.
    TransportPosition transportPosition_;
    bool transportFresh_ = false;
    int64_t transportCount_ = -1;
    double transportTempo_ = 0;
    int transportRequest_ = -1;
    // Following Link or JACK transport: the next of the beat's 24 ticks, counted on the
    // outside timeline.
    int64_t beatTick_ = 0;

    // The report, written by the audio thread under a sequence count that readers check.
    struct Shared {
        std::atomic<uint64_t> sequence{0};
        std::atomic<int64_t> position{0}, stepsPlayed{0}, passes{0}, passEnd{0}, nextTime{0};
        std::atomic<int> lastStep{-1}, nextStep{0};
        std::atomic<uint64_t> playing{0}, transport{0};
        std::atomic<bool> running{false}, busy{false};
        std::atomic<double> followedTempo{0};
        std::atomic<uint64_t> clockLosses{0};
    } shared_;
};

}  // namespace pattaplex
