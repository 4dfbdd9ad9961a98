#include "SyncTimeline.h"

#include <algorithm>
#include <cmath>

namespace pattaplex {

double barLineFrom(double beat, double quantum) {
    if (quantum <= 0) return beat;
    return quantum * std::ceil(beat / quantum - kBeatSlack);
}

int64_t sampleOfMicros(double micros, double blockMicros, int64_t blockStart, int rate) {
    return blockStart + std::llround((micros - blockMicros) * rate / 1e6);
}

void BeatStepper::start(int step, int sub, double quantum, double from) {
    sub_ = std::max(sub, 1);
    // Where the step lies in its bar.
    const double offset = quantum > 0 ? std::fmod(static_cast<double>(step) / sub_, quantum) : 0;
    base_ = barLineFrom(from - offset, quantum) + offset;
    count_ = 0;
}

void BeatStepper::advance(int next, int sub, double quantum) {
    sub = std::max(sub, 1);
    ++count_;
    if (sub != sub_) {
        base_ = nextBeat();
        count_ = 0;
        sub_ = sub;
    }
    // A pass begins on a bar line: the next one, should a change of the groove have moved
    // it off. Counting from there also keeps the sum exact over hours.
    if (next == 0) {
        base_ = barLineFrom(nextBeat(), quantum);
        count_ = 0;
    }
}

double transportBeats(const TransportPosition& p, double tempo) {
    if (p.bbt && p.ticksPerBeat > 0 && p.beatsPerBar > 0) {
        return (p.bar - 1) * p.beatsPerBar + (p.beat - 1) + p.tick / p.ticksPerBeat;
    }
    if (p.rate <= 0) return 0;
    return static_cast<double>(p.frame) / p.rate * tempo / 60;
}

TransportStep transportStep(double beats, int sub, int steps) {
    sub = std::max(sub, 1);
    TransportStep s;
    s.count = static_cast<int64_t>(std::ceil(std::max(beats, 0.0) * sub - kBeatSlack * sub));
    s.step = steps > 0 ? static_cast<int>(s.count % steps) : 0;
    s.beat = static_cast<double>(s.count) / sub;
    return s;
}

Bbt bbtOfBeats(double beats, int beatsPerBar, double ticksPerBeat) {
    beatsPerBar = std::max(beatsPerBar, 1);
    beats = std::max(beats, 0.0);
    Bbt b;
    const double bars = std::floor(beats / beatsPerBar + kBeatSlack);
    const double inBar = std::max(beats - bars * beatsPerBar, 0.0);
    const double wholeBeats = std::floor(inBar + kBeatSlack);
    b.bar = static_cast<int32_t>(bars) + 1;
    b.beat = static_cast<int32_t>(std::min(wholeBeats, beatsPerBar - 1.0)) + 1;
    const double tick = std::max(inBar - (b.beat - 1), 0.0) * ticksPerBeat;
    b.exactTick = std::clamp(tick, 0.0, std::max(ticksPerBeat - 1e-6, 0.0));
    b.tick = static_cast<int32_t>(std::floor(b.exactTick));
    b.barStartTick = bars * beatsPerBar * ticksPerBeat;
    return b;
}

double TimebaseClock::beatsAt(uint32_t frame, bool relocated, double tempo, uint32_t rate) {
    if (rate == 0) return beats_;
    if (!known_ || relocated || frame < frame_) {
        beats_ = static_cast<double>(frame) / rate * tempo / 60;
    } else {
        beats_ += static_cast<double>(frame - frame_) / rate * tempo / 60;
    }
    known_ = true;
    frame_ = frame;
    return beats_;
}

}  // namespace pattaplex
