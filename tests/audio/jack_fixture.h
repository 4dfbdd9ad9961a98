#pragma once
// A JACK dummy server of the test's own, and a client that records Pattaplex's MIDI and sound in
// the same process cycles.

#include <jack/jack.h>
#include <jack/midiport.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "SynthEngine.h"
#include "kit_mapping.h"
#include "test_jack_server.h"

namespace pattaplex::testing {

// The test's own JACK dummy server at `rate`, which this process's clients then reach.
class JackServer {
  public:
    explicit JackServer(int rate = 48000)
        : server_("pattaplex-test-" + std::to_string(getpid()), rate) {
        setenv("JACK_DEFAULT_SERVER", server_.name().c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        up_ = server_.start();
    }
    bool up() const { return up_; }

  private:
    TestJackServer server_;
    bool up_ = false;
};

struct MidiMessage {
    int64_t frame = 0;  // the server's frame time
    std::array<uint8_t, 3> bytes{};
    int size = 0;
};

// Records "Pattaplex:midi_out" and "Pattaplex:left" in one callback, at the server's frame
// times, into room made beforehand.
class JackRecorder {
  public:
    explicit JackRecorder(int seconds = 30) {
        jack_status_t status{};
        client_ = jack_client_open("recorder", JackNoStartServer, &status);
        if (!client_) return;
        rate_ = static_cast<int>(jack_get_sample_rate(client_));
        audio_.assign(static_cast<size_t>(rate_) * seconds, 0.0f);
        midi_.resize(100000);
        midiIn_ =
            jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        audioIn_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &JackRecorder::process, this);
        jack_activate(client_);
        jack_connect(client_, "Pattaplex:midi_out", "recorder:midi_in");
        jack_connect(client_, "Pattaplex:left", "recorder:in");
    }
    ~JackRecorder() { close(); }
    void close() {
        if (!client_) return;
        jack_deactivate(client_);
        jack_client_close(client_);
        client_ = nullptr;
    }
    bool ok() const { return client_ != nullptr; }
    int rate() const { return rate_; }

    // Waits until `frames` more have been recorded (never longer than the room left).
    void record(int64_t frames) {
        const int64_t until = recorded_.load() + frames;
        while (recorded_.load() < until && filled_.load() < audio_.size())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Cycles the server skipped so far: across one, Pattaplex's sample clock and the
    // server's frame time part.
    int gaps() const { return gaps_.load(); }
    // What came so far.
    std::vector<MidiMessage> messages() const {
        return {midi_.begin(), midi_.begin() + static_cast<ptrdiff_t>(midiCount_.load())};
    }
    // The sample at server frame time `frame`, 0 outside what was recorded.
    float sample(int64_t frame) const {
        const int64_t i = frame - first_;
        return first_ >= 0 && i >= 0 && i < static_cast<int64_t>(filled_.load())
                   ? audio_[static_cast<size_t>(i)]
                   : 0.0f;
    }

  private:
    static int process(jack_nframes_t frames, void* data) {
        auto* self = static_cast<JackRecorder*>(data);
        const int64_t now = jack_last_frame_time(self->client_);
        if (self->first_ < 0) self->first_ = now;
        // A cycle the server skipped under load (frames nobody processed) shows as a gap.
        if (self->expected_ >= 0 && now != self->expected_) ++self->gaps_;
        self->expected_ = now + frames;
        const auto* in = static_cast<const float*>(jack_port_get_buffer(self->audioIn_, frames));
        size_t at = static_cast<size_t>(now - self->first_);
        for (jack_nframes_t i = 0; i < frames && at < self->audio_.size(); ++i)
            self->audio_[at++] = in[i];
        self->filled_.store(at);
        void* midi = jack_port_get_buffer(self->midiIn_, frames);
        const uint32_t count = jack_midi_get_event_count(midi);
        for (uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t e;
            if (jack_midi_event_get(&e, midi, i) != 0) continue;
            const size_t n = self->midiCount_.load();
            if (n >= self->midi_.size()) break;
            MidiMessage& m = self->midi_[n];
            m.frame = now + e.time;
            m.size = static_cast<int>(std::min<size_t>(e.size, 3));
            for (int k = 0; k < m.size; ++k) m.bytes[static_cast<size_t>(k)] = e.buffer[k];
            self->midiCount_.store(n + 1);
        }
        self->recorded_ += frames;
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* midiIn_ = nullptr;
    jack_port_t* audioIn_ = nullptr;
    int rate_ = 0;
    std::vector<float> audio_;
    std::vector<MidiMessage> midi_;
    std::atomic<size_t> midiCount_{0}, filled_{0};
    std::atomic<int64_t> recorded_{0};
    std::atomic<int> gaps_{0};
    int64_t expected_ = -1;
    int64_t first_ = -1;
};

// An outside MIDI clock: the client "clock", ahead of Pattaplex in each cycle, sends ticks
// at their exact frames into "Pattaplex:midi_in", and the transport's messages.
class JackClockSource {
  public:
    JackClockSource() {
        jack_status_t status{};
        client_ = jack_client_open("clock", JackNoStartServer, &status);
        if (!client_) return;
        rate_ = static_cast<int>(jack_get_sample_rate(client_));
        sent_.resize(100000);
        out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client_, &JackClockSource::process, this);
        jack_activate(client_);
        jack_connect(client_, "clock:out", "Pattaplex:midi_in");
    }
    ~JackClockSource() { close(); }
    void close() {
        if (!client_) return;
        jack_deactivate(client_);
        jack_client_close(client_);
        client_ = nullptr;
    }

    // An outside MIDI clock on "clock:out": ticks at `bpm` from the next cycle on (0:
    // none), and a message at the start of the next cycle (one at a time).
    void sendClock(double bpm) { bpm_.store(bpm); }
    void send(std::array<uint8_t, 3> bytes, int size) {
        toSend_.store(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | size << 24);
        while (toSend_.load() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // After close(): the clock's ticks and messages as sent, at their frames.
    std::vector<MidiMessage> sent() const {
        return {sent_.begin(), sent_.begin() + static_cast<ptrdiff_t>(sentCount_.load())};
    }

  private:
    static int process(jack_nframes_t frames, void* data) {
        auto* self = static_cast<JackClockSource*>(data);
        self->sendOut(jack_last_frame_time(self->client_), frames);
        return 0;
    }

    void sendOut(int64_t now, jack_nframes_t frames) {
        void* out = jack_port_get_buffer(out_, frames);
        jack_midi_clear_buffer(out);
        auto put = [&](int64_t frame, const uint8_t* bytes, int size) {
            jack_midi_event_write(out, static_cast<jack_nframes_t>(frame - now), bytes,
                                  static_cast<size_t>(size));
            const size_t n = sentCount_.load();
            if (n >= sent_.size()) return;
            sent_[n].frame = frame;
            sent_[n].size = size;
            for (int k = 0; k < size; ++k) sent_[n].bytes[static_cast<size_t>(k)] = bytes[k];
            sentCount_.store(n + 1);
        };
        if (const uint32_t message = toSend_.load()) {
            const uint8_t bytes[3] = {uint8_t(message), uint8_t(message >> 8),
                                      uint8_t(message >> 16)};
            put(now, bytes, static_cast<int>(message >> 24));
            toSend_.store(0);
        }
        const double bpm = bpm_.load();
        if (bpm <= 0) {
            nextTick_ = -1;
            return;
        }
        if (nextTick_ < now) nextTick_ = static_cast<double>(now);
        const uint8_t tick = 0xF8;
        while (nextTick_ < static_cast<double>(now + frames)) {
            put(static_cast<int64_t>(nextTick_), &tick, 1);
            nextTick_ += rate_ * 60.0 / (bpm * 24);
        }
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* out_ = nullptr;
    int rate_ = 0;
    std::atomic<double> bpm_{0};
    std::atomic<uint32_t> toSend_{0};
    double nextTick_ = -1;
    std::vector<MidiMessage> sent_;
    std::atomic<size_t> sentCount_{0};
};

constexpr int kAttack = 1024;

// The first samples of `key` played alone from silence at `rate`, the note starting at
// sample 0.
inline std::vector<float> attackOf(int kit, int key, int velocity, int rate) {
    SynthEngine engine(rate);
    if (engine.load() || !engine.selectPreset(*kitPreset(kit))) return {};
    engine.send(
        {.kind = NoteCommand::Kind::NoteOn, .key = uint8_t(key), .velocity = uint8_t(velocity)});
    std::vector<float> left(kAttack), right(kAttack);
    engine.render(left.data(), right.data(), kAttack);
    return left;
}

// Where the recorded sound lies best over `attack` near `frame`, relative to it: the lag
// of the highest normalised correlation within a synthesizer block either side.
inline int attackOffset(const JackRecorder& recording, int64_t frame,
                        const std::vector<float>& attack) {
    int best = 1000;
    double bestScore = -1;
    for (int lag = -64; lag <= 64; ++lag) {
        double dot = 0, power = 0;
        for (size_t i = 0; i < attack.size(); ++i) {
            const double x = recording.sample(frame + lag + static_cast<int64_t>(i));
            dot += x * attack[i];
            power += x * x;
        }
        const double score = power > 0 ? dot / std::sqrt(power) : 0;
        if (score > bestScore) std::tie(best, bestScore) = std::tie(lag, score);
    }
    return best;
}

}  // namespace pattaplex::testing
