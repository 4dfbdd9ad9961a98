#pragma once
// A note sink with a hand-moved sample clock that records what the step clock sends.

#include <cstdint>
#include <functional>
#include <vector>

#include "NoteSink.h"
#include "Sound.h"

namespace pattaplex {

struct RecordedNote {
    int64_t on, off;
    int key, velocity;
};

class FakeSink : public NoteSink {
  public:
    int64_t samplePosition() const override { return now; }
    void playStepNote(int64_t onTime, int64_t offTime, int key, int velocity) override {
        notes.push_back({onTime, offTime, key, velocity});
    }
    void cancelStepsFrom(int64_t stepTime) override { cancels.push_back(stepTime); }

    // Notes that were not cancelled.
    std::vector<RecordedNote> kept() const {
        std::vector<RecordedNote> result;
        for (const RecordedNote& n : notes) {
            bool cancelled = false;
            for (int64_t c : cancels) cancelled = cancelled || n.on >= c;
            if (!cancelled) result.push_back(n);
        }
        return result;
    }

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

}  // namespace pattaplex
