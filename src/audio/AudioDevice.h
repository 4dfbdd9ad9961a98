#pragma once
// The sound device that pulls audio from the synthesizer engine on its own thread.

#include <memory>
#include <string>

namespace pattaplex {

class DeviceHealth;
class PortConnections;
class SynthEngine;

class AudioDevice {
  public:
    virtual ~AudioDevice() = default;

    // The driver named by PATTAPLEX_AUDIO_DRIVER (pulseaudio, pipewire, jack, alsa, or
    // file, which writes PATTAPLEX_AUDIO_FILE in real time at PATTAPLEX_AUDIO_RATE, 44100
    // by default, as a server with its own rate would); unset tries pulseaudio (which
    // PipeWire desktops serve too), then alsa. "none" asks for no device at all.
    static std::string requestedDriver();
    static bool noDeviceWanted() { return requestedDriver() == "none"; }

    // Starts the device; the engine and `health` must outlive it. The engine takes the
    // rate the device or its server runs at. Nothing on failure, with `why`. Fails at once
    // when a server is missing: none is ever started. The device tells `health` when it
    // loses its server, card or file. A device whose ports others connect to (JACK's) keeps
    // its connections in `connections`, and makes those kept there again as it opens.
    static std::unique_ptr<AudioDevice> open(SynthEngine& engine, DeviceHealth& health,
                                             PortConnections& connections, std::string& why);

    // Keeps time with no sound at all: runs the engine's clock at the pace of the wall
    // clock, and rests while nothing plays.
    static std::unique_ptr<AudioDevice> silent(SynthEngine& engine);

    // Something is to be played: a resting device picks up at once.
    virtual void wake() {}
    // What the sound goes through, as the user knows it: "JACK", "PulseAudio", "a file".
    virtual std::string name() const = 0;
    // Whether the device carries MIDI itself (JACK's does); others leave it to the ALSA
    // sequencer.
    virtual bool carriesMidi() const { return false; }
    // Seconds from a sample's rendering to its being heard, as the driver tells.
    virtual double latency() const = 0;
    // Main thread: whether the device makes us JACK transport's timebase master, giving
    // it the groove's tempo, metre and bars. False where there is no JACK transport or
    // another master holds it.
    virtual bool setTimebaseMaster(bool on) { return !on; }
};

}  // namespace pattaplex
