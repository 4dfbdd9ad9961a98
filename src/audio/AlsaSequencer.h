#pragma once
// MIDI without JACK: an ALSA sequencer client "Pattaplex" with the ports "midi_out" and
// "midi_in". Each block's notes and clock are put on an ALSA queue at the time the sound
// device plays their sample, so that they leave with the sound; the clock received is
// handed to the engine with the sample time it came at.

#include <memory>
#include <optional>
#include <string>

namespace pattaplex {

class SynthEngine;

class AlsaSequencer {
  public:
    // Nothing on failure, with `why` (no /dev/snd/seq in a container, for one). The
    // engine must outlive it; `latencyFrames` is what the sound device holds.
    static std::unique_ptr<AlsaSequencer> open(SynthEngine& engine, int latencyFrames,
                                               std::string& why);
    virtual ~AlsaSequencer() = default;
};

}  // namespace pattaplex
