#include "StepClock.h"

#include <algorithm>

#include "GrooveSnapshot.h"

namespace pattaplex {

void StepClock::setRate(int rate) {
    if (rate == rate_ || rate <= 0) return;
    nextTime_ = nextTime_ * rate / rate_;
    remainder_ = 0;
    divisor_ = 0;
    rate_ = rate;
}

void StepClock::start(int64_t time, int step) {
    running_ = true;
    cursor_ = step >= 0 && step < kBufferSize ? step : 0;
    wrapped_ = false;
    nextTime_ = time;
    remainder_ = 0;
    divisor_ = 0;
    lastStep_ = -1;
    stepsPlayed_ = 0;
    passes_ = 0;
    passLimit_ = 0;
}

int StepClock::stop() {
    running_ = false;
    return cursor_;
}

void StepClock::run(int64_t until, NoteSink& sink) {
    while (running_ && nextTime_ < until) {
        if (wrapped_) {
            if (passLimit_ > 0 && passes_ + 1 >= passLimit_) {
                running_ = false;
                return;
            }
            wrapped_ = false;
            ++passes_;
            sink.passStarting();
        }
        const GrooveSnapshot* g = sink.groove();
        if (!g || g->steps <= 0) {
            // A groove with no steps plays nothing; its first step comes when it has some.
            nextTime_ = until;
            return;
        }
        const int step = cursor_;
        const int64_t length = nextStepLength(g->tempo, g->sub);
        for (const GrooveSnapshot::Row& row : g->rows) {
            const int32_t velocity = row.vel[static_cast<size_t>(step)];
            if (row.on[static_cast<size_t>(step)] == 0 || row.volume == 0 || velocity <= 0)
                continue;
            if (row.note < 0 || row.note > 127) continue;
            sink.playStepNote(nextTime_, nextTime_ + length, row.note, std::min(velocity, 127));
        }
        // A groove shortened below the cursor plays the old step once, then wraps.
        int next = step + 1;
        if (next >= g->steps) {
            next = 0;
            wrapped_ = true;
        }
        lastStep_ = step;
        ++stepsPlayed_;
        cursor_ = next;
        nextTime_ += length;
    }
}

int64_t StepClock::passEnd(int stepsInGroove) const {
    if (wrapped_ || stepsInGroove <= cursor_) return nextTime_;
    return nextTime_ + (stepsInGroove - cursor_) * lastLength_;
}

int64_t StepClock::nextStepLength(int tempo, int sub) {
    const int64_t perMinute = samplesPerMinute(rate_);
    // Beyond this a step would be shorter than one synthesizer block; such tempos (only a
    // file can bring them) play at this rate rather than flooding the synthesizer.
    const int64_t largest = perMinute / 64;
    const int64_t beats = tempo < 1 ? kSlowestTempo : tempo;
    const int64_t divisor = std::min(beats * std::max(sub, 1), largest);
    // Carry the fraction over in the new unit when TEMPO or SUB changed.
    if (divisor != divisor_) remainder_ = divisor_ > 0 ? remainder_ * divisor / divisor_ : 0;
    divisor_ = divisor;
    const int64_t total = perMinute + remainder_;
    remainder_ = total % divisor;
    lastLength_ = total / divisor;
    return lastLength_;
}

}  // namespace pattaplex
