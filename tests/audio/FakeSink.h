#pragma once
// The step clock against a note sink with a hand-moved sample clock, recording what it
// is sent and what the listener is told.

#include <algorithm>
#include <functional>
#include <vector>

#include "StepClock.h"

namespace pattaplex {

struct RecordedNote {
    int64_t on, off;
    int key, velocity;
};

class FakeSink : public NoteSink {
  public:
    int64_t samplePosition() const override { return now; }
    void playStepNote(int64_t on, int64_t off, int key, int velocity) override {
        notes.push_back({on, off, key, velocity});
    }
    void cancelStepsFrom(int64_t stepTime) override { cancels.push_back(stepTime); }
    int64_t now = 0;
    std::vector<RecordedNote> notes;
    std::vector<int64_t> cancels;
};

class RecordingListener : public ClockListener {
  public:
    void stepSounded(int nextStep) override { sounded.push_back(nextStep); }
    void loopWrapping() override {
        ++wraps;
        if (onWrap) onWrap();
    }
    std::vector<int> sounded;
    int wraps = 0;
    std::function<void()> onWrap;
};

// `bars` bars of four steps at `tempo`; row n plays note 40 + n at step n - 1 only, so a
// note names its step.
inline GrooveState namedSteps(int bars = 2, int tempo = 120, int sub = 1) {
    GrooveState s;
    std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(bars, 4, sub, tempo);
    for (int n = 1; n <= kRowCount; ++n) {
        std::tie(s.row(n).DR, s.row(n).DV) = std::make_tuple(40 + n, 100);
        s.row(n).VOL.fill(100);
        s.row(n).BUF[static_cast<size_t>(n - 1)] = 1;
    }
    return s;
}

struct Rig {
    explicit Rig(GrooveState g) : s(std::move(g)), clock(s, sink) { clock.setListener(&listener); }
    // Pumps, then moves the audio clock on in blocks, pumping after each, up to `until`.
    void runTo(int64_t until, int64_t block = 441) {
        clock.pump();
        while (sink.now < until) {
            sink.now = std::min(sink.now + block, until);
            clock.pump();
        }
    }
    std::vector<int> stepsScheduled() const {
        std::vector<int> steps;
        for (const RecordedNote& n : sink.notes) steps.push_back(n.key - 41);
        return steps;
    }
    GrooveState s;
    FakeSink sink;
    RecordingListener listener;
    StepClock clock;
};

}  // namespace pattaplex
