#pragma once
// Hears each block the engine renders, on the audio thread: before it (to hand in MIDI
// received meanwhile) and after it (to send its events on). Must not lock, allocate or
// wait.

#include <cstdint>
#include <span>

#include "Scheduler.h"

namespace pattaplex {

class BlockListener {
  public:
    virtual ~BlockListener() = default;
    virtual void blockStarting(int64_t start, int frames) = 0;
    virtual void blockRendered(std::span<const TimedEvent> events, int64_t start, int frames) = 0;
};

}  // namespace pattaplex
