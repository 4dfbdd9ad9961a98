#pragma once
// A sound output that plays nothing, for running the window before the synthesizer is
// built in. The step clock does not run.

#include "Sound.h"

namespace pattaplex {

class SilentSound : public Sound {
  public:
    bool initQT(int) override { return true; }
    void closeOutput() override {}
    void audition(int, int) override {}
    void startClock() override {}
    void stopClock() override {}
    bool clockRunning() const override { return false; }
};

}  // namespace pattaplex
