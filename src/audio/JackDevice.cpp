#include "JackDevice.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/transport.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <utility>

#include "AudioDevice.h"
#include "DeviceHealth.h"
#include "MidiEncoder.h"
#include "NoteSink.h"
#include "PortConnections.h"
#include "SyncTimeline.h"
#include "SynthEngine.h"

namespace pattaplex {

namespace {

// JACK 1's client library writes to the server's socket unguarded: a server that dies
// would end the program with SIGPIPE instead of being noticed.
void ignoreBrokenPipes() {
    struct sigaction now {};
    if (sigaction(SIGPIPE, nullptr, &now) == 0 && now.sa_handler == SIG_DFL)
        signal(SIGPIPE, SIG_IGN);
}

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
    JackDevice(SynthEngine& engine, DeviceHealth& health, PortConnections& connections)
        : engine_(engine), health_(health), connections_(connections) {}

    ~JackDevice() override {
        health_.unwatch();     // closing is no loss
        closing_.store(true);  // nor are the connections it breaks
        if (!client_) return;
        if (master_) jack_release_timebase(client_);
        jack_deactivate(client_);
        jack_client_close(client_);
    }

    bool open(const char* lossReason, std::string& why) {
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
        health_.watch(lossReason);
        jack_on_shutdown(client_, &JackDevice::shutdown, this);
        jack_set_port_connect_callback(client_, &JackDevice::connectionChanged, this);
        if (jack_activate(client_) != 0) {
            why = "jack: cannot activate the client";
            return false;
        }
        for (const auto& [from, to] : connections_.list())
            jack_connect(client_, from.c_str(), to.c_str());  // what is gone stays unmade
        connectToPlayback();
        return true;
    }

    bool carriesMidi() const override { return true; }
    std::string name() const override { return "JACK"; }

    // What the server says lies between our outputs and the speakers; unconnected outputs
    // are heard, if ever, a period after the cycle that wrote them.
    double latency() const override {
        jack_latency_range_t range{};
        jack_port_get_latency_range(left_, JackPlaybackLatency, &range);
        const jack_nframes_t period = jack_get_buffer_size(client_);
        return static_cast<double>(std::max(range.max, period)) / jack_get_sample_rate(client_);
    }

    bool setTimebaseMaster(bool on) override {
        if (on == master_) return true;
        if (on) {
            // Unconditionally: the user asked for it, over any other master.
            master_ = jack_set_timebase_callback(client_, 0, &JackDevice::timebase, this) == 0;
            return master_;
        }
        jack_release_timebase(client_);
        master_ = false;
        return true;
    }

  private:
    // Heard at once: outputs with no connection of their own go to the first two physical
    // playback ports.
    void connectToPlayback() {
        const char** ports = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                            JackPortIsPhysical | JackPortIsInput);
        if (!ports) return;
        for (int i = 0; i < 2 && ports[i]; ++i) {
            const char* ours = jack_port_name(i == 0 ? left_ : right_);
            if (!jack_port_connected(i == 0 ? left_ : right_))
                jack_connect(client_, ours, ports[i]);
        }
        jack_free(ports);
    }

    // The server's notification thread: a connection of ours made or broken, kept for the
    // next opening.
    static void connectionChanged(jack_port_id_t a, jack_port_id_t b, int made, void* data) {
        auto* self = static_cast<JackDevice*>(data);
        if (self->closing_.load()) return;
        jack_port_t* from = jack_port_by_id(self->client_, a);
        jack_port_t* to = jack_port_by_id(self->client_, b);
        if (!from || !to) return;
        if (jack_port_flags(from) & JackPortIsInput) std::swap(from, to);
        if (!jack_port_is_mine(self->client_, from) && !jack_port_is_mine(self->client_, to))
            return;
        if (made)
            self->connections_.made(jack_port_name(from), jack_port_name(to));
        else
            self->connections_.broken(jack_port_name(from), jack_port_name(to));
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
        if (self->engine_.midiOptions().sync.load(std::memory_order_relaxed) ==
            SyncSource::JackTransport)
            self->engine_.receiveTransport(self->transport());
        self->engine_.render(left, right, static_cast<int>(frames));
        JackMidiWriter writer(midiOut);
        self->encoder_.encode(self->engine_.blockEvents(), self->engine_.midiOptions(), writer);
        // The user's start or stop goes to every client of the transport.
        const int request = self->engine_.takeTransportRequest();
        if (request == 1) jack_transport_start(self->client_);
        if (request == 0) jack_transport_stop(self->client_);
        return 0;
    }

    // JACK transport at the start of this cycle.
    TransportPosition transport() {
        jack_position_t pos{};
        const jack_transport_state_t state = jack_transport_query(client_, &pos);
        TransportPosition p;
        p.rolling = state == JackTransportRolling;
        p.frame = pos.frame;
        p.rate = static_cast<int>(pos.frame_rate);
        p.bbt = (pos.valid & JackPositionBBT) != 0;
        if (p.bbt) {
            p.bar = pos.bar;
            p.beat = pos.beat;
            p.tick = (pos.valid & JackTickDouble) != 0 ? pos.tick_double : pos.tick;
            p.ticksPerBeat = pos.ticks_per_beat;
            p.beatsPerBar = pos.beats_per_bar;
            p.tempo = pos.beats_per_minute;
        }
        return p;
    }

    // As timebase master, on the process thread: the groove's tempo and bar, and the bar,
    // beat and tick the transport's frame has reached, counted on at the tempo of each
    // cycle.
    static void timebase(jack_transport_state_t, jack_nframes_t, jack_position_t* pos,
                         int relocated, void* data) {
        auto* self = static_cast<JackDevice*>(data);
        const double tempo = self->engine_.grooveTempo();
        const int beats = self->engine_.grooveBeats();
        constexpr double kTicksPerBeat = 1920;
        const Bbt bbt = bbtOfBeats(
            self->masterClock_.beatsAt(pos->frame, relocated != 0, tempo, pos->frame_rate), beats,
            kTicksPerBeat);
        pos->valid =
            static_cast<jack_position_bits_t>(pos->valid | JackPositionBBT | JackTickDouble);
        pos->tick_double = bbt.exactTick;
        pos->bar = bbt.bar;
        pos->beat = bbt.beat;
        pos->tick = bbt.tick;
        pos->bar_start_tick = bbt.barStartTick;
        pos->beats_per_bar = static_cast<float>(beats);
        pos->beat_type = 4;
        pos->ticks_per_beat = kTicksPerBeat;
        pos->beats_per_minute = tempo;
    }

    static void shutdown(void* data) { static_cast<JackDevice*>(data)->health_.reportLost(); }

    SynthEngine& engine_;
    DeviceHealth& health_;
    PortConnections& connections_;
    std::atomic<bool> closing_{false};
    jack_client_t* client_ = nullptr;
    jack_port_t* left_ = nullptr;
    jack_port_t* right_ = nullptr;
    jack_port_t* midiOut_ = nullptr;
    jack_port_t* midiIn_ = nullptr;
    MidiEncoder encoder_;        // process thread only
    bool master_ = false;        // main thread
    TimebaseClock masterClock_;  // process thread only
};

}  // namespace

std::unique_ptr<AudioDevice> openJackDevice(SynthEngine& engine, DeviceHealth& health,
                                            PortConnections& connections, const char* lossReason,
                                            std::string& why) {
    setenv("JACK_NO_START_SERVER", "1", 1);
    ignoreBrokenPipes();
    auto device = std::make_unique<JackDevice>(engine, health, connections);
    if (!device->open(lossReason, why)) return nullptr;
    return device;
}

}  // namespace pattaplex
