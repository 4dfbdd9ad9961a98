#pragma once
// Turns a block's timed events into raw MIDI messages at their frames: the notes on the
// chosen channel, the clock and the transport's real-time messages. It remembers which
// notes sound, so that a stop, a silence or a change of channel leaves none hanging.
// Audio thread only; allocates nothing.

#include <array>
#include <cstdint>
#include <span>

#include "MidiOptions.h"
#include "Scheduler.h"

namespace pattaplex {

class MidiWriter {
  public:
    virtual ~MidiWriter() = default;
    // One message at `frame` of the block; frames never go backwards within a block.
    virtual void write(int frame, const uint8_t* bytes, int size) = 0;
};

class MidiEncoder {
  public:
    void encode(std::span<const TimedEvent> events, const MidiOptions& options, MidiWriter& out);

  private:
    void releaseAll(int frame, MidiWriter& out);
    int noteChannel() const { return wantedChannel_ > 0 ? wantedChannel_ - 1 : kitChannel_; }

    std::array<uint8_t, 128> sounding_{};  // per key: 1 + the channel it sounds on, or 0
    int kitChannel_ = 9;
    int wantedChannel_ = 0;
    bool sendNotes_ = false;
};

}  // namespace pattaplex
