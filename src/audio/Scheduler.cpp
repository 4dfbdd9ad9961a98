#include "Scheduler.h"

#include <algorithm>
#include <utility>

namespace pattaplex {

Scheduler::Scheduler(int rate, int grid) : rate_(rate), grid_(std::max(grid, 1)), clock_(rate) {}

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
                // Notes of steps already begun end as they would have.
                if (clock_.running()) now(Kind::Stop, clock_.nextStep());
                clock_.stop();
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

void Scheduler::startTicks() {
    ticking_ = true;
    nextTick_ = rendered_;
    tickRemainder_ = 0;
    tickDivisor_ = 0;
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
    takeCommands();
    const int64_t end = rendered_ + blockFrames_;
    clock_.run(end, *this);
    addTicks(end);
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

// A reader that sees the same even sequence count before and after its reads has read
// one whole report (every access sequentially consistent).
void Scheduler::publishReport() {
    const uint64_t sequence = shared_.sequence.load();
    shared_.sequence.store(sequence + 1);
    shared_.position.store(rendered_);
    shared_.running.store(clock_.running());
    shared_.busy.store(clock_.running() || pendingCount_ > 0);
    shared_.stepsPlayed.store(clock_.stepsPlayed());
    shared_.lastStep.store(clock_.lastStep());
    shared_.nextStep.store(clock_.nextStep());
    shared_.passes.store(clock_.passes());
    shared_.passEnd.store(clock_.passEnd(current_ ? current_->steps : 0));
    shared_.nextTime.store(clock_.nextTime());
    shared_.playing.store(current_ ? current_->serial : 0);
    shared_.transport.store(transport_);
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
        if (before % 2 == 0 && shared_.sequence.load() == before) return r;
    }
}

}  // namespace pattaplex
