#pragma once
// The sound device that pulls audio from the synthesizer engine on its own thread.

#include <memory>
#include <optional>
#include <string>

namespace pattaplex {

class SynthEngine;

class AudioDevice {
  public:
    virtual ~AudioDevice() = default;

    // The driver named by PATTAPLEX_AUDIO_DRIVER (pulseaudio, pipewire, jack, alsa, or
    // file, which writes PATTAPLEX_AUDIO_FILE in real time); unset tries pulseaudio (which
    // PipeWire desktops serve too), then alsa. "none" asks for no device at all.
    static std::string requestedDriver();
    static bool noDeviceWanted() { return requestedDriver() == "none"; }

    // Starts the device; the engine must outlive it. Nothing on failure, with `why`.
    static std::unique_ptr<AudioDevice> open(SynthEngine& engine, std::string& why);
};

}  // namespace pattaplex
