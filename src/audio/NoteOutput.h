#pragma once
// The program's sound: a General MIDI synthesizer playing the chosen kit or instrument
// through the sound device, with the step clock that plays the groove on it.

#include <chrono>
#include <cstdio>
#include <memory>

#include "GrooveState.h"
#include "NoteSink.h"
#include "Sound.h"
#include "StepClock.h"
#include "SynthEngine.h"

namespace pattaplex {

class AudioDevice;

class NoteOutput final : public Sound, private NoteSink {
  public:
    // Nothing is loaded until the first initQT. Diagnostics go to `out` and `err`.
    explicit NoteOutput(GrooveState& s, std::FILE* out = stdout, std::FILE* err = stderr);
    ~NoteOutput() override;

    void setListener(ClockListener* listener) { clock_.setListener(listener); }

    bool initQT(int kit) override;
    void closeOutput() override;
    void audition(int note, int velocity) override;
    void startClock() override;
    void stopClock() override;
    bool clockRunning() const override { return clock_.running(); }
    void pump() override;
    void setMasterVolume(float volume) override;
    float outputPeak() override;

    bool isOpen() const { return open_; }

  private:
    int64_t samplePosition() const override;
    void playStepNote(int64_t onTime, int64_t offTime, int key, int velocity) override;
    void cancelStepsFrom(int64_t stepTime) override;

    void reportNoDevice(const std::string& why);
    void control(NoteCommand::Kind kind);
    void send(bool ofStep, bool on, int64_t time, int64_t stepTime, int key, int velocity);
    int64_t wallClockPosition() const;

    std::FILE* out_;
    std::FILE* err_;
    std::unique_ptr<SynthEngine> engine_;
    std::unique_ptr<AudioDevice> device_;
    StepClock clock_;
    bool open_ = false;
    // Without a device the clock keeps time on the wall clock; a device that comes up
    // later continues from there (its samples count from `deviceOffset_`).
    std::chrono::steady_clock::time_point started_;
    int64_t deviceOffset_ = 0;
};

}  // namespace pattaplex
