#include "LinkClock.h"

#include <algorithm>

#include "GrooveSnapshot.h"

namespace pattaplex {

LinkClock::Change LinkClock::run(const LinkSession::Block& session, int64_t start, int frames,
                                 int rate, double quantum, StepClock& clock, NoteSink& sink) {
    auto sub = [&] {
        const GrooveSnapshot* g = sink.groove();
        return g ? std::max(g->sub, 1) : 1;
    };
    Change change = Change::None;
    if (session.playing && !following_) {
        // A start before this block (seen late, or a peer's) waits for the next bar line.
        const double from = session.line.beatAt(std::max(session.startMicros, session.heardMicros));
        const int step = clock.nextStep();
        stepper_.start(step, sub(), quantum, from);
        startBeat_ = stepper_.nextBeat();
        startStep_ = step;
        clock.start(start, step);
        following_ = first_ = true;
        change = Change::Started;
    } else if (!session.playing && following_) {
        clock.stop();
        following_ = false;
        change = Change::Stopped;
    }
    if (!following_) return change;

    const int64_t end = start + frames;
    while (clock.running()) {
        const double micros = session.line.microsAt(stepper_.nextBeat());
        const int64_t at = sampleOfMicros(micros, session.heardMicros, start, rate);
        if (at >= end) break;
        if (first_) firstStepMicros_ = micros;
        first_ = false;
        clock.moveNextStep(std::max(at, start));
        clock.run(std::max(at, start) + 1, sink);
        stepper_.advance(clock.nextStep(), sub(), quantum);
    }
    return change;
}

}  // namespace pattaplex
