#include "StepClock.h"

#include <algorithm>

namespace pattaplex {

namespace {

// Beyond this a step would be shorter than one synthesizer block; such tempos (only a
// file can bring them) play at this rate rather than flooding the audio side.
constexpr int64_t kLargestDivisor = StepClock::kSamplesPerMinute / 64;

}  // namespace

StepClock::StepClock(GrooveState& s, NoteSink& sink, int64_t startDelay)
    : s_(s), sink_(sink), startDelay_(startDelay) {}

void StepClock::start() {
    running_ = true;
    cursor_ = s_.LOOP >= 0 && s_.LOOP < kBufferSize ? s_.LOOP : 0;
    wrapped_ = false;
    nextTime_ = sink_.samplePosition() + startDelay_;
    remainder_ = 0;
    divisor_ = 0;
    unsounded_.clear();
}

int64_t StepClock::stop() {
    const int64_t now = sink_.samplePosition();
    if (!running_) return now;
    running_ = false;
    while (!unsounded_.empty() && unsounded_.front().time < now) unsounded_.pop_front();
    if (unsounded_.empty()) {
        s_.LOOP = cursor_;
        return std::max(nextTime_, now);
    }
    const ScheduledStep first = unsounded_.front();
    unsounded_.clear();
    s_.LOOP = first.step;
    sink_.cancelStepsFrom(first.time);
    return first.time;
}

void StepClock::pump() {
    if (!running_) return;
    const int64_t now = sink_.samplePosition();
    notifySounded(now);
    // Overdue (the main thread was held up past the lookahead): play from now on; missed
    // steps are not made up.
    nextTime_ = std::max(nextTime_, now);
    while (running_ && nextTime_ < now + kLookahead) {
        int steps = stepCount(s_);
        if (steps > 0 && wrapped_ && s_.INF != 0 && listener_) {
            wrapped_ = false;
            listener_->loopWrapping();
            steps = stepCount(s_);
        }
        if (!running_ || steps == 0) break;  // a groove with no steps plays nothing
        scheduleStep(steps);
    }
}

void StepClock::notifySounded(int64_t now) {
    while (running_ && !unsounded_.empty() && unsounded_.front().time < now) {
        const int next = unsounded_.front().next;
        unsounded_.pop_front();
        s_.LOOP = next;
        if (listener_) listener_->stepSounded(next);
    }
}

void StepClock::scheduleStep(int stepsInGroove) {
    wrapped_ = false;
    const int step = cursor_;
    const int64_t length = nextStepLength();
    for (const DrumRow& row : s_.rows) {
        const int32_t velocity = row.VOL[static_cast<size_t>(step)];
        if (row.BUF[static_cast<size_t>(step)] == 0 || row.DV == 0 || velocity <= 0) continue;
        if (row.DR < 0 || row.DR > 127) continue;
        sink_.playStepNote(nextTime_, nextTime_ + length, row.DR, std::min(velocity, 127));
    }
    // A groove shortened below the cursor plays the old step once, then wraps.
    int next = step + 1;
    if (next >= stepsInGroove) {
        next = 0;
        wrapped_ = true;
    }
    unsounded_.push_back({nextTime_, step, next});
    cursor_ = next;
    nextTime_ += length;
}

int64_t StepClock::nextStepLength() {
    const int64_t tempo = s_.TEMPO < 1 ? kLowestTempo : s_.TEMPO;
    const int64_t divisor = std::min(tempo * std::max(s_.SUB, 1), kLargestDivisor);
    // Carry the fraction over in the new unit when TEMPO or SUB changed.
    if (divisor != divisor_) remainder_ = divisor_ > 0 ? remainder_ * divisor / divisor_ : 0;
    divisor_ = divisor;
    const int64_t total = kSamplesPerMinute + remainder_;
    remainder_ = total % divisor;
    return total / divisor;
}

}  // namespace pattaplex
