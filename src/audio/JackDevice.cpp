#include "JackDevice.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <cstdlib>

#include "AudioDevice.h"
#include "MidiEncoder.h"
#include "NoteSink.h"
#include "SynthEngine.h"

namespace pattaplex {

namespace {

class JackMidiWriter final : public MidiWriter {
  public:
    explicit JackMidiWriter(void* buffer) : buffer_(buffer) {}
    void write(int frame, const uint8_t* bytes, int size) override {
        // A full buffer drops the message: there is no waiting on this thread.
        jack_midi_event_write(buffer_, static_cast<jack_nframes_t>(frame), bytes,
                              static_cast<size_t>(size));
    }

  private:
    void* buffer_;
};

class JackDevice final : public AudioDevice {
  public:
    JackDevice(SynthEngine& engine, std::function<void()> onShutdown)
        : engine_(engine), onShutdown_(std::move(onShutdown)) {}

    ~JackDevice() override {
        if (!client_) return;
        jack_deactivate(client_);
        jack_client_close(client_);
    }

    bool open(std::string& why) {
        jack_status_t status{};
        client_ = jack_client_open("Pattaplex", JackNoStartServer, &status);
        if (!client_) {
            why = "no JACK server running";
            return false;
        }
        const int rate = static_cast<int>(jack_get_sample_rate(client_));
        if (rate < kLowestRate || rate > kHighestRate) {
            why = "jack: the server runs at " + std::to_string(rate) + " Hz";
            return false;
        }
        // The synthesizer and the clock take the server's rate before the first callback.
        engine_.setRate(rate);
        left_ = jack_port_register(client_, "left", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        right_ = jack_port_register(client_, "right", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        midiOut_ =
            jack_port_register(client_, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        midiIn_ =
            jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        if (!left_ || !right_ || !midiOut_ || !midiIn_) {
            why = "jack: cannot register the ports";
            return false;
        }
        jack_set_process_callback(client_, &JackDevice::process, this);
        jack_on_shutdown(client_, &JackDevice::shutdown, this);
        if (jack_activate(client_) != 0) {
            why = "jack: cannot activate the client";
            return false;
        }
        connectToPlayback();
        return true;
    }

    bool carriesMidi() const override { return true; }
    std::string name() const override { return "JACK"; }

  private:
    // Heard at once: the outputs go to the first two physical playback ports.
    void connectToPlayback() {
        const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                            JackPortIsPhysical | JackPortIsInput);
        if (!ports) return;
        if (ports[0]) jack_connect(client_, jack_port_name(left_), ports[0]);
        if (ports[0] && ports[1]) jack_connect(client_, jack_port_name(right_), ports[1]);
        jack_free(ports);
    }

    static int process(jack_nframes_t frames, void* data) {
        auto* self = static_cast<JackDevice*>(data);
        auto* left = static_cast<float*>(jack_port_get_buffer(self->left_, frames));
        auto* right = static_cast<float*>(jack_port_get_buffer(self->right_, frames));
        void* midiOut = jack_port_get_buffer(self->midiOut_, frames);
        jack_midi_clear_buffer(midiOut);
        void* midiIn = jack_port_get_buffer(self->midiIn_, frames);
        const uint32_t received = jack_midi_get_event_count(midiIn);
        for (uint32_t i = 0; i < received; ++i) {
            jack_midi_event_t e;
            if (jack_midi_event_get(&e, midiIn, i) == 0)
                self->engine_.receiveMidi(static_cast<int>(e.time), e.buffer,
                                          static_cast<int>(e.size));
        }
        self->engine_.render(left, right, static_cast<int>(frames));
        JackMidiWriter writer(midiOut);
        self->encoder_.encode(self->engine_.blockEvents(), self->engine_.midiOptions(), writer);
        return 0;
    }

    static void shutdown(void* data) {
        auto* self = static_cast<JackDevice*>(data);
        if (self->onShutdown_) self->onShutdown_();
    }

    SynthEngine& engine_;
    std::function<void()> onShutdown_;
    jack_client_t* client_ = nullptr;
    jack_port_t* left_ = nullptr;
    jack_port_t* right_ = nullptr;
    jack_port_t* midiOut_ = nullptr;
    jack_port_t* midiIn_ = nullptr;
    MidiEncoder encoder_;  // process thread only
};

}  // namespace

std::unique_ptr<AudioDevice> openJackDevice(SynthEngine& engine, std::function<void()> onShutdown,
                                            std::string& why) {
    setenv("JACK_NO_START_SERVER", "1", 1);
    auto device = std::make_unique<JackDevice>(engine, std::move(onShutdown));
    if (!device->open(why)) return nullptr;
    return device;
}

}  // namespace pattaplex
