#pragma once
// The program's own JACK client "Pattaplex": two audio outputs connected to the system's
// playback ports, "midi_out" and "midi_in", all served by one process callback that
// renders the synthesizer into JACK's buffers and writes the same block's notes and clock
// to MIDI.

#include <functional>
#include <memory>
#include <string>

namespace pattaplex {

class AudioDevice;
class SynthEngine;

// Fails at once, with `why`, when no JACK server runs (none is started). `onShutdown` is
// called on a JACK thread when the server goes away.
std::unique_ptr<AudioDevice> openJackDevice(SynthEngine& engine, std::function<void()> onShutdown,
                                            std::string& why);

}  // namespace pattaplex
