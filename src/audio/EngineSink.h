#pragma once
// The synthesizer engine as the step clock's note sink, keeping time by the engine's own
// sample count: for offline rendering, where nothing else drives the engine.

#include "NoteSink.h"
#include "SynthEngine.h"

namespace pattaplex {

class EngineSink final : public NoteSink {
  public:
    explicit EngineSink(SynthEngine& engine) : engine_(engine) {}

    int64_t samplePosition() const override { return engine_.position(); }

    void playStepNote(int64_t onTime, int64_t offTime, int key, int velocity) override {
        NoteCommand c;
        c.ofStep = true;
        c.key = static_cast<uint8_t>(key);
        c.stepTime = onTime;
        c.kind = NoteCommand::Kind::NoteOn;
        c.velocity = static_cast<uint8_t>(velocity);
        c.time = onTime;
        engine_.send(c);
        c.kind = NoteCommand::Kind::NoteOff;
        c.velocity = 0;
        c.time = offTime;
        engine_.send(c);
    }

    void cancelStepsFrom(int64_t stepTime) override {
        NoteCommand c;
        c.kind = NoteCommand::Kind::CancelSteps;
        c.time = stepTime;
        engine_.send(c);
    }

  private:
    SynthEngine& engine_;
};

}  // namespace pattaplex
