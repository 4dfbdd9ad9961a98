#pragma once
// The program's own JACK client "Pattaplex": two audio outputs connected to the system's
// playback ports, "midi_out" and "midi_in", all served by one process callback that
// renders the synthesizer into JACK's buffers and writes the same block's notes and clock
// to MIDI.

#include <memory>
#include <string>

namespace pattaplex {

class AudioDevice;
class DeviceHealth;
class PortConnections;
class SynthEngine;

// Fails at once, with `why`, when no JACK server runs (none is started). A server that goes
// away is reported to `health` as `lossReason`, which must outlive the device. The
// connections of its ports are kept in `connections`, and those kept there are made again
// as it opens; outputs without any go to the speakers.
std::unique_ptr<AudioDevice> openJackDevice(SynthEngine& engine, DeviceHealth& health,
                                            PortConnections& connections, const char* lossReason,
                                            std::string& why);

}  // namespace pattaplex
