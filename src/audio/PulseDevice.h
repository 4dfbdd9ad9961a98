#pragma once
// Sound through a PulseAudio server (or PipeWire's PulseAudio service): a stream of about
// 20 ms that the server's thread fills from the engine, corked while nothing sounds so
// that neither the server nor this program wakes for silence.

#include <memory>
#include <string>

#include "AudioDevice.h"

namespace pattaplex {

class DeviceHealth;
class SynthEngine;

// Nothing when no server answers (none is ever started), with `why`. `name` is the
// server as the user knows it; `lossReason` what the status line says when it goes.
std::unique_ptr<AudioDevice> openPulseDevice(SynthEngine& engine, DeviceHealth& health,
                                             const std::string& name, const char* lossReason,
                                             std::string& why);

}  // namespace pattaplex
