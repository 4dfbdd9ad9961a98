#include "Scheduler.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pattaplex {

Scheduler::Scheduler(int rate, int grid, const MidiOptions& options)
    : rate_(rate), grid_(std::max(grid, 1)), options_(options), clock_(rate), follower_(rate) {}

Scheduler::~Scheduler() {
    delete current_;
    delete held_;
}

void Scheduler::setRate(int rate, int grid) {
    grid_ = std::max(grid, 1);
    if (rate == rate_) return;
    // The sample clock stays on the grid: the synthesizer's blocks begin on it.
    rendered_ = rendered_ * rate / rate_ / grid_ * grid_;
    for (size_t i = 0; i < pendingCount_; ++i)
        pending_[i].time = soundingTime(pending_[i].time * rate / rate_);
    shared_.position.store(rendered_);
    clock_.setRate(rate);
    follower_.setRate(rate);
    rate_ = rate;
}

// A note sounds on the grid point nearest its time, never before the block being played.
int64_t Scheduler::soundingTime(int64_t time) const {
    const int64_t t = std::max<int64_t>(time, 0);
    return std::max((t + grid_ / 2) / grid_ * grid_, rendered_);
}

void Scheduler::takeSnapshots() {
    GrooveSnapshot* fresh = handoff_.take();
    if (!fresh) return;
    const bool waits = fresh->forPass > clock_.passes() || (fresh->prepared && clock_.running());
    if (waits) {
        handoff_.retire(std::exchange(held_, fresh));
    } else {
        // A groove for the present pass holds every change before it.
        handoff_.retire(std::exchange(held_, nullptr));
        handoff_.retire(std::exchange(current_, fresh));
    }
}

void Scheduler::passStarting() {
    if (held_) handoff_.retire(std::exchange(current_, std::exchange(held_, nullptr)));
}

void Scheduler::addToBlock(TimedEvent event) {
    if (blockCount_ == kBlockCapacity) return;  // cannot happen at any sane tempo
    event.time = std::max(event.time, rendered_);
    event.frame = static_cast<int32_t>(event.time - rendered_);
    block_[blockCount_++] = event;
}

void Scheduler::takeCommands() {
    using Kind = TimedEvent::Kind;
    auto now = [&](Kind kind, int step = 0, int channel = 0) {
        TimedEvent e;
        e.kind = kind;
        e.step = step;
        e.channel = static_cast<uint8_t>(channel);
        e.time = rendered_;
        addToBlock(e);
    };
    NoteCommand c;
    while (workerQueue_.pop(c) || queue_.pop(c)) {
        switch (c.kind) {
            case NoteCommand::Kind::Flush:
                pendingCount_ = 0;
                muted_ = true;
                now(Kind::Silence);
                break;
            case NoteCommand::Kind::Silence:
                now(Kind::Silence);
                break;
            case NoteCommand::Kind::Open:
                muted_ = false;
                break;
            case NoteCommand::Kind::SetChannel:
                now(Kind::SetChannel, 0, c.channel);
                break;
            case NoteCommand::Kind::Start:
                if (source_ == Source::Link || source_ == Source::Transport) {
                    // The session or the transport starts the clock, here and for every
                    // other player; a stopped clock waits at the step asked for.
                    if (!clock_.running()) {
                        clock_.start(rendered_, c.step);
                        clock_.stop();
                    }
                    if (source_ == Source::Transport) transportRequest_ = 1;
                    if (LinkSession* link = link_.load(); link && source_ == Source::Link)
                        link->requestPlaying(true);
                    break;
                }
                if (following_) {
                    // Played from the outside clock's next tick on.
                    const int sub = std::max(current_ ? current_->sub : 1, 1);
                    follower_.arm(int64_t{c.step} * ClockFollower::kTicksPerBeat / sub);
                    break;
                }
                clock_.start(rendered_, c.step);
                clock_.setPassLimit(c.time);
                ++transport_;
                if (clock_.nextStep() == 0) {
                    now(Kind::Start);
                } else {
                    TimedEvent e;
                    e.kind = Kind::Continue;
                    e.step = clock_.nextStep();
                    e.songPosition = e.step * 4 / std::max(current_ ? current_->sub : 1, 1);
                    e.time = rendered_;
                    addToBlock(e);
                }
                startTicks();
                break;
            case NoteCommand::Kind::Stop:
                if (source_ == Source::Transport) {
                    transportRequest_ = 0;
                    break;
                }
                if (LinkSession* link = link_.load(); link && source_ == Source::Link) {
                    link->requestPlaying(false);
                    break;
                }
                // Notes of steps already begun end as they would have.
                if (clock_.running()) now(Kind::Stop, clock_.nextStep());
                clock_.stop();
                follower_.reset();
                ticking_ = false;
                ++transport_;
                break;
            default:
                if (!muted_) {
                    TimedEvent e;
                    e.kind = c.kind == NoteCommand::Kind::NoteOn ? Kind::NoteOn : Kind::NoteOff;
                    e.key = c.key;
                    e.velocity = c.velocity;
                    e.time = soundingTime(c.time);
                    insertPending(e);
                }
        }
    }
}

void Scheduler::playStepNote(int64_t onTime, int64_t offTime, int key, int velocity) {
    if (muted_) return;
    TimedEvent e;
    e.kind = TimedEvent::Kind::NoteOn;
    e.key = static_cast<uint8_t>(key);
    e.velocity = static_cast<uint8_t>(velocity);
    e.time = soundingTime(onTime);
    insertPending(e);
    e.kind = TimedEvent::Kind::NoteOff;
    e.velocity = 0;
    e.time = soundingTime(offTime);
    insertPending(e);
}

void Scheduler::insertPending(const TimedEvent& e) {
    if (pendingCount_ == kPendingCapacity) return;  // cannot happen at any sane tempo
    // Stable: a note-off queued before a note-on of the same time stays before it.
    size_t i = pendingCount_;
    while (i > 0 && pending_[i - 1].time > e.time) {
        pending_[i] = pending_[i - 1];
        --i;
    }
    pending_[i] = e;
    ++pendingCount_;
}

void Scheduler::receive(int frame, const uint8_t* bytes, int size) {
    // Only the clock and the transport are followed.
    if (receivedCount_ == kReceivedCapacity || size < 1 || bytes[0] < 0xF0) return;
    Received& r = received_[receivedCount_++];
    r.frame = frame;
    r.size = std::min(size, 3);
    std::copy_n(bytes, r.size, r.bytes);
}

void Scheduler::addAt(TimedEvent::Kind kind, int64_t time) {
    TimedEvent e;
    e.kind = kind;
    e.time = time;
    insertPending(e);
}

// The block's received messages in order: ticks play the steps that begin at them, the
// transport starts and stops; a clock silent too long stops playback.
void Scheduler::follow(int frames) {
    for (size_t i = 0; i < receivedCount_; ++i) {
        const Received& r = received_[i];
        // A message that came before the block (through a queue) counts at its own time
        // for the tempo, and plays at the block's start.
        const int64_t heard = rendered_ + r.frame;
        const int64_t time = std::clamp(heard, rendered_, rendered_ + std::max(frames - 1, 0));
        const ClockFollower::Cue cue = follower_.take(heard, r.bytes, r.size);
        using Kind = ClockFollower::Cue::Kind;
        if (cue.kind == Kind::Start) followedStart(time, cue.tick);
        if (cue.kind == Kind::Tick) followedTick(time, cue.tick);
        if (cue.kind == Kind::Stop) followedStop(time);
    }
    receivedCount_ = 0;
    if (follower_.lost(rendered_ + frames)) {
        follower_.reset();
        followedStop(rendered_);
        ++clockLosses_;
    }
}

void Scheduler::followedStart(int64_t time, int64_t tick) {
    ++transport_;
    TimedEvent e;
    e.kind = tick == 0 ? TimedEvent::Kind::Start : TimedEvent::Kind::Continue;
    e.songPosition = static_cast<int32_t>(tick / 6);
    e.time = time;
    insertPending(e);
    const int sub = std::max(current_ ? current_->sub : 1, 1);
    // The first step at or after the tick.
    followStep_ = (tick * sub + ClockFollower::kTicksPerBeat - 1) / ClockFollower::kTicksPerBeat;
    clock_.stop();
    followedTick(time, tick);
}

void Scheduler::followedTick(int64_t time, int64_t tick) {
    addAt(TimedEvent::Kind::Clock, time);
    if (!current_ || current_->steps <= 0) return;
    constexpr int64_t perBeat = ClockFollower::kTicksPerBeat;
    const int64_t sub = std::max(current_->sub, 1);
    // Step n begins n x 24 / SUB ticks from the groove's start; a change of SUB goes on
    // from the step the tick is in.
    if (followStep_ * perBeat < tick * sub) followStep_ = (tick * sub + perBeat - 1) / perBeat;
    const double interval = follower_.interval();
    while (followStep_ * perBeat < (tick + 1) * sub) {
        const double ticksLater = static_cast<double>(followStep_ * perBeat - tick * sub) / sub;
        const int64_t at = time + static_cast<int64_t>(ticksLater * interval + 0.5);
        if (!clock_.running())
            clock_.start(at, static_cast<int>(followStep_ % current_->steps));
        else
            clock_.moveNextStep(at);
        clock_.run(at + 1, *this);
        ++followStep_;
    }
}

void Scheduler::followedStop(int64_t time) {
    ++transport_;
    if (clock_.running()) addAt(TimedEvent::Kind::Stop, time);
    clock_.stop();
}

Scheduler::Source Scheduler::wantedSource() const {
    constexpr auto relaxed = std::memory_order_relaxed;
    switch (options_.sync.load(relaxed)) {
        case SyncSource::Link:
            return link_.load(relaxed) ? Source::Link : Source::Own;
        case SyncSource::JackTransport:
            return Source::Transport;
        case SyncSource::MidiClock:
            return Source::MidiClock;
        case SyncSource::Internal:
            break;
    }
    return Source::Own;
}

// Switching to MIDI clock or JACK transport hands playback to them: it stops, and the next
// start is theirs.
void Scheduler::changeSource(Source source) {
    // Back to the groove's own clock from any other, and from it into a Link session,
    // playback goes on: the next step sounds where it would have (alone; among Link peers,
    // where it lies in their bar), and the MIDI clock ticks on without a gap.
    const bool toOwn = source == Source::Own;
    const bool goesOn =
        clock_.running() && (toOwn || (source == Source::Link && source_ == Source::Own));
    if (goesOn && source == Source::Link && current_) {
        const int sub = std::max(current_->sub, 1);
        link_.load()->startAt(
            std::fmod(static_cast<double>(clock_.nextStep()) / sub, grooveBeats()),
            clock_.nextTime());
    }
    source_ = source;
    following_ = source != Source::Own;
    follower_.reset();
    if (clock_.running() && !goesOn) {
        addAt(TimedEvent::Kind::Stop, rendered_);
        clock_.stop();
        ++transport_;
    }
    ticking_ = false;
    if (goesOn && toOwn) continueTicks();
    linkClock_ = LinkClock{};
    linkTempo_ = transportTempo_ = 0;
    transportCount_ = -1;
    transportRequest_ = -1;  // (a position already handed in is this block's own)
}

double Scheduler::grooveTempo() const {
    const int tempo = current_ ? current_->tempo : 0;
    return tempo < 1 ? kSlowestTempo : tempo;
}

// The session's beats, read once a block where the block will be heard, place the steps;
// its start and stop are ours.
void Scheduler::followLink(int frames) {
    LinkSession* link = link_.load();
    const double quantum = grooveBeats();
    const LinkSession::Block block =
        link->capture(rendered_, rate_, options_.latency.load(std::memory_order_relaxed), quantum);
    linkTempo_ = block.tempo;
    const BeatLine& line = block.line;
    auto sampleOf = [&](double beat) {
        return std::max(sampleOfMicros(line.microsAt(beat), block.heardMicros, rendered_, rate_),
                        rendered_);
    };
    // The session starts a clock already running only when it takes over from ours.
    const bool playingOn = clock_.running();
    switch (linkClock_.run(block, rendered_, frames, rate_, quantum, clock_, *this)) {
        case LinkClock::Change::Started: {
            ++transport_;
            if (playingOn) {
                // Playing on from the groove's own clock: so does MIDI gear, its ticks on
                // the session's beats from here.
                beatTick_ = static_cast<int64_t>(
                    std::ceil(line.beatAt(block.heardMicros) * 24 - kBeatSlack));
                break;
            }
            // Start (or Continue at the song position) where the first step sounds, and the
            // beat's 24 ticks from there.
            TimedEvent e;
            e.kind =
                linkClock_.startStep() == 0 ? TimedEvent::Kind::Start : TimedEvent::Kind::Continue;
            e.songPosition = linkClock_.startStep() * 4 / std::max(current_ ? current_->sub : 1, 1);
            e.time = sampleOf(linkClock_.startBeat());
            insertPending(e);
            beatTick_ = static_cast<int64_t>(std::ceil(linkClock_.startBeat() * 24 - kBeatSlack));
            break;
        }
        case LinkClock::Change::Stopped:
            ++transport_;
            addAt(TimedEvent::Kind::Stop, rendered_);
            break;
        case LinkClock::Change::None:
            break;
    }
    for (; clock_.running(); ++beatTick_) {
        const int64_t at = sampleOf(static_cast<double>(beatTick_) / 24);
        if (at >= rendered_ + frames) break;
        addAt(TimedEvent::Kind::Clock, at);
    }
}

// The transport's position at the block's start places the steps due in the block: its
// bar, beat and tick when a timebase master gives them, else its frame at the groove's
// tempo. A jump of the transport moves the groove with it.
void Scheduler::followTransport(int frames) {
    if (!transportFresh_) return;  // no JACK here: nothing moves
    transportFresh_ = false;
    const TransportPosition& p = transportPosition_;
    transportTempo_ = p.bbt && p.tempo > 0 ? p.tempo : 0;
    const double tempo = transportTempo_ > 0 ? transportTempo_ : grooveTempo();
    if (!p.rolling) {
        if (clock_.running()) transportStopped(rendered_);
        return;
    }
    if (!current_ || current_->steps <= 0) return;
    const int sub = std::max(current_->sub, 1);
    const double beats = transportBeats(p, tempo);
    const double perBeat = rate_ * 60.0 / tempo;  // samples
    int64_t count = transportStep(beats, sub, current_->steps).count;
    // The step after the one played last, unless the transport has jumped.
    if (clock_.running() && (count == transportCount_ || count == transportCount_ + 1))
        count = transportCount_ + 1;
    const bool wasRunning = clock_.running();
    for (;; ++count) {
        const double beat = static_cast<double>(count) / sub;
        const int64_t at = rendered_ + std::llround((beat - beats) * perBeat);
        if (at >= rendered_ + frames) break;
        const int64_t time = std::max(at, rendered_);
        const int step = static_cast<int>(count % current_->steps);
        if (!clock_.running()) {
            transportStarted(time, step, beat);
        } else if (count != transportCount_ + 1) {
            // The transport moved: MIDI gear is stopped and put where it now is.
            addAt(TimedEvent::Kind::Stop, time);
            transportStarted(time, step, beat);
        } else if (clock_.nextStep() != step) {
            clock_.start(time, step);  // the groove changed its length under the transport
        }
        if (!wasRunning && transportCount_ < 0)
            beatTick_ = static_cast<int64_t>(std::ceil(beat * 24 - kBeatSlack));
        clock_.moveNextStep(time);
        clock_.run(time + 1, *this);
        transportCount_ = count;
    }
    // The beat's 24 ticks on the transport's beats; a move of the transport moves them.
    if (!clock_.running()) return;
    const int64_t due = static_cast<int64_t>(std::ceil(beats * 24 - kBeatSlack));
    if (beatTick_ < due - 1 || beatTick_ > due + 24) beatTick_ = due;
    for (;; ++beatTick_) {
        const int64_t at =
            rendered_ + std::llround((static_cast<double>(beatTick_) / 24 - beats) * perBeat);
        if (at >= rendered_ + frames) break;
        addAt(TimedEvent::Kind::Clock, std::max(at, rendered_));
    }
}

// MIDI gear hears a start from the top as Start, one anywhere else as the song position
// (in sixteenths of the transport's timeline, as far as it reaches) and Continue.
void Scheduler::transportStarted(int64_t time, int step, double beat) {
    ++transport_;
    TimedEvent e;
    e.kind = beat < kBeatSlack ? TimedEvent::Kind::Start : TimedEvent::Kind::Continue;
    e.songPosition = static_cast<int32_t>(
        std::clamp(std::floor(beat * 4 + kBeatSlack), 0.0, double{kMaxSongPosition}));
    e.step = step;
    e.time = time;
    insertPending(e);
    clock_.start(time, step);
}

void Scheduler::transportStopped(int64_t time) {
    ++transport_;
    addAt(TimedEvent::Kind::Stop, time);
    clock_.stop();
    transportCount_ = -1;
    beatTick_ = 0;
}

void Scheduler::startTicks() {
    ticking_ = true;
    nextTick_ = rendered_;
    tickRemainder_ = 0;
    tickDivisor_ = 0;
}

// Ticks taking over from an outside clock's: 24 a beat at the groove's tempo, on the beats
// of the step due next, the first as soon as one is due.
void Scheduler::continueTicks() {
    startTicks();
    if (!current_) return;
    const double interval =
        static_cast<double>(StepClock::samplesPerMinute(rate_)) / (grooveTempo() * 24);
    const double tickOfStep =
        static_cast<double>(clock_.nextStep()) * 24 / std::max(current_->sub, 1);
    const double onBeat = static_cast<double>(clock_.nextTime()) +
                          (std::ceil(tickOfStep - kBeatSlack) - tickOfStep) * interval;
    const double before = std::floor((onBeat - static_cast<double>(rendered_)) / interval);
    nextTick_ = std::max(static_cast<int64_t>(std::llround(onBeat - before * interval)), rendered_);
}

// Ticks go on at the groove's tempo from the start, a change of tempo taking effect from
// the next tick; they end with the clock.
void Scheduler::addTicks(int64_t until) {
    if (!clock_.running()) ticking_ = false;
    const int64_t perMinute = StepClock::samplesPerMinute(rate_);
    while (ticking_ && current_ && nextTick_ < until) {
        TimedEvent e;
        e.kind = TimedEvent::Kind::Clock;
        e.time = nextTick_;
        insertPending(e);
        // As the step clock counts them.
        const int64_t beats = current_->tempo < 1 ? kSlowestTempo : current_->tempo;
        const int64_t divisor = std::min<int64_t>(beats * 24, perMinute / 64);
        if (divisor != tickDivisor_)
            tickRemainder_ = tickDivisor_ > 0 ? tickRemainder_ * divisor / tickDivisor_ : 0;
        tickDivisor_ = divisor;
        const int64_t total = perMinute + tickRemainder_;
        tickRemainder_ = total % divisor;
        nextTick_ += total / divisor;
    }
}

std::span<const TimedEvent> Scheduler::beginBlock(int frames) {
    blockCount_ = 0;
    blockFrames_ = std::max(frames, 0);
    takeSnapshots();
    if (const Source wanted = wantedSource(); wanted != source_) changeSource(wanted);
    takeCommands();
    if (LinkSession* link = link_.load(std::memory_order_relaxed); link && source_ != Source::Link)
        link->track(rendered_, rate_);
    const int64_t end = rendered_ + blockFrames_;
    switch (source_) {
        case Source::MidiClock:
            follow(blockFrames_);
            break;
        case Source::Link:
            followLink(blockFrames_);
            break;
        case Source::Transport:
            followTransport(blockFrames_);
            break;
        case Source::Own:
            clock_.run(end, *this);
            addTicks(end);
    }
    size_t due = 0;
    while (due < pendingCount_ && pending_[due].time < end) addToBlock(pending_[due++]);
    std::move(pending_.begin() + static_cast<ptrdiff_t>(due),
              pending_.begin() + static_cast<ptrdiff_t>(pendingCount_), pending_.begin());
    pendingCount_ -= due;
    return blockEvents();
}

void Scheduler::endBlock() {
    rendered_ += blockFrames_;
    blockFrames_ = 0;
    publishReport();
}

void Scheduler::passSilence(int64_t frames) {
    blockCount_ = 0;
    rendered_ += std::max<int64_t>(frames, 0);
    publishReport();
}

// A reader that sees the same even sequence count before and after its reads has read
// one whole report (every access sequentially consistent).
void Scheduler::publishReport() {
    const uint64_t sequence = shared_.sequence.load();
    shared_.sequence.store(sequence + 1);
    shared_.position.store(rendered_);
    shared_.running.store(clock_.running());
    // An outside clock may start playback at any tick: following keeps the device busy.
    shared_.busy.store(clock_.running() || pendingCount_ > 0 || following_);
    shared_.stepsPlayed.store(clock_.stepsPlayed());
    shared_.lastStep.store(clock_.lastStep());
    shared_.nextStep.store(clock_.nextStep());
    shared_.passes.store(clock_.passes());
    shared_.passEnd.store(clock_.passEnd(current_ ? current_->steps : 0));
    shared_.nextTime.store(clock_.nextTime());
    shared_.playing.store(current_ ? current_->serial : 0);
    shared_.transport.store(transport_);
    double followed = 0;
    if (source_ == Source::MidiClock) followed = follower_.tempo();
    if (source_ == Source::Link) followed = linkTempo_;
    if (source_ == Source::Transport) followed = transportTempo_;
    shared_.followedTempo.store(followed);
    shared_.clockLosses.store(clockLosses_);
    shared_.sequence.store(sequence + 2);
}

EngineReport Scheduler::report() const {
    EngineReport r;
    for (;;) {
        const uint64_t before = shared_.sequence.load();
        r.position = shared_.position.load();
        r.running = shared_.running.load();
        r.busy = shared_.busy.load();
        r.stepsPlayed = shared_.stepsPlayed.load();
        r.lastStep = shared_.lastStep.load();
        r.nextStep = shared_.nextStep.load();
        r.passes = shared_.passes.load();
        r.passEnd = shared_.passEnd.load();
        r.nextTime = shared_.nextTime.load();
        r.playing = shared_.playing.load();
        r.transport = shared_.transport.load();
        r.followedTempo = shared_.followedTempo.load();
        r.clockLosses = shared_.clockLosses.load();
        if (before % 2 == 0 && shared_.sequence.load() == before) return r;
    }
}

}  // namespace pattaplex
