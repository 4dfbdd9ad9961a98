#pragma once
// The sound output as the window program starts it: loading the synthesizer's
// soundfonts takes a few hundred milliseconds, so the first opening asked for during
// start-up is held back until the window has been drawn, and then done. Everything
// else goes straight to the real output.

#include <optional>
#include <string>
#include <utility>

#include "Sound.h"

namespace pattaplex {

class LaunchSound : public Sound {
  public:
    explicit LaunchSound(Sound& output) : output_(output) {}

    // From now until openHeld(), an opening is remembered instead of done.
    void holdOpening() { holding_ = true; }
    // Does the remembered opening, if any, and stops holding.
    void openHeld() {
        holding_ = false;
        if (const std::optional<int> kit = std::exchange(heldKit_, std::nullopt))
            output_.initQT(*kit);
    }

    bool initQT(int kit) override {
        if (!holding_) return output_.initQT(kit);
        heldKit_ = kit;  // failures are reported by the output when it really opens
        return true;
    }
    void closeOutput() override {
        heldKit_.reset();
        output_.closeOutput();
    }
    bool reopen(int kit) override {
        heldKit_.reset();
        holding_ = false;
        return output_.reopen(kit);
    }
    std::string deviceDescription() const override { return output_.deviceDescription(); }
    void audition(int note, int velocity) override {
        openHeld();
        output_.audition(note, velocity);
    }
    void startClock() override {
        openHeld();
        output_.startClock();
    }
    void stopClock() override { output_.stopClock(); }
    bool clockRunning() const override { return output_.clockRunning(); }
    void pump() override { output_.pump(); }
    PlayPosition position() const override { return output_.position(); }
    std::string soundStatus() const override { return output_.soundStatus(); }
    void setMasterVolume(float volume) override { output_.setMasterVolume(volume); }
    float outputPeak() override { return output_.outputPeak(); }
    void setMidi(const MidiSettings& settings) override { output_.setMidi(settings); }

  private:
    Sound& output_;
    bool holding_ = false;
    std::optional<int> heldKit_;
};

}  // namespace pattaplex
