#include "StepClock.h"

#include <algorithm>

#include "GrooveSnapshot.h"
#include "hit_timing.h"

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

namespace {

// How far before its step a humanised hit may sound: the step is played that much ahead,
// so that such a hit is still in the future when it is queued.
int64_t humaniseLead(const GrooveSnapshot* g, int rate) {
    if (!g || g->humaniseMs <= 0) return 0;
    return (int64_t{std::min(g->humaniseMs, kMostHumaniseMs)} * rate + 999) / 1000;
}

}  // namespace

void StepClock::run(int64_t until, NoteSink& sink) {
    while (running_ && nextTime_ - humaniseLead(sink.groove(), rate_) < until) {
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
        playStep(*g, step, length, sink);
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

// The step's hits, swung, repeated, humanised and drawn for this pass, from its exact
// straight start.
void StepClock::playStep(const GrooveSnapshot& g, int step, int64_t length, NoteSink& sink) {
    HitTiming timing;
    timing.unitsPerMinute = samplesPerMinute(rate_);
    timing.tempo = static_cast<int32_t>(std::min<int64_t>(divisor_, INT32_MAX));
    timing.sub = 1;  // the divisor already counts the steps of a beat
    timing.swing = kStraightSwing;
    timing.humaniseMs = g.humaniseMs;
    timing.humaniseVelocity = g.humaniseVelocity;
    timing.seed = g.seed;
    if (swingApplies(g.sub)) {
        // Swing pairs the steps of a beat: timed in beats with the pair's own sub-step.
        timing.tempo = static_cast<int32_t>(divisor_ / g.sub);
        timing.sub = g.sub;
        timing.swing = g.swing;
    }
    const auto i = static_cast<size_t>(step);
    for (size_t r = 0; r < g.rows.size(); ++r) {
        const GrooveSnapshot::Row& row = g.rows[r];
        if (row.on[i] == 0 || row.volume == 0 || row.vel[i] <= 0) continue;
        if (row.note < 0 || row.note > 127) continue;
        const StepHits hits = stepHits(timing, passes_, static_cast<int>(r) + 1, step,
                                       {row.vel[i], row.repeats[i], row.chance[i]});
        // A plain hit lasts the step as the clock counts it, fraction carried; the hits of
        // a swung or repeated step their share of it.
        const bool plain = hits.count == 1 && timing.swing == kStraightSwing;
        for (int h = 0; h < hits.count; ++h) {
            const Hit& hit = hits.hits[static_cast<size_t>(h)];
            const int64_t on = nextTime_ + hit.offset;
            sink.playStepNote(on, on + (plain ? length : hits.length), row.note, hit.velocity);
        }
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
