#include "AlsaSequencer.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "BlockListener.h"
#include "MidiEncoder.h"
#include "SpscQueue.h"
#include "SynthEngine.h"

namespace pattaplex {

namespace {

int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A message for the wire, or (size 0) where a block began: its first sample and the
// steady time it was rendered at.
struct Outgoing {
    int64_t sample = 0;
    int64_t nanoseconds = 0;
    uint8_t bytes[3] = {};
    int size = 0;
};

struct Incoming {
    int64_t nanoseconds = 0;
    uint8_t bytes[3] = {};
    int size = 0;
};

class Sequencer final : public AlsaSequencer, private BlockListener, private MidiWriter {
  public:
    Sequencer(SynthEngine& engine, int latencyFrames)
        : engine_(engine), latencyFrames_(latencyFrames) {}

    ~Sequencer() override {
        engine_.setBlockListener(nullptr);
        stop_.store(true);
        if (sender_.joinable()) sender_.join();
        if (receiver_.joinable()) receiver_.join();
        if (encoder_) snd_midi_event_free(encoder_);
        if (decoder_) snd_midi_event_free(decoder_);
        if (seq_) snd_seq_close(seq_);
    }

    bool open(std::string& why) {
        if (const int error = snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
            error < 0) {
            seq_ = nullptr;
            why = std::string("no ALSA sequencer: ") + snd_strerror(error);
            return false;
        }
        snd_seq_set_client_name(seq_, "Pattaplex");
        out_ = snd_seq_create_simple_port(
            seq_, "midi_out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
            SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        in_ = snd_seq_create_simple_port(
            seq_, "midi_in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
            SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        queue_ = snd_seq_alloc_named_queue(seq_, "Pattaplex");
        if (out_ < 0 || in_ < 0 || queue_ < 0 || snd_midi_event_new(16, &encoder_) < 0 ||
            snd_midi_event_new(16, &decoder_) < 0) {
            why = "ALSA sequencer: cannot make the ports";
            return false;
        }
        snd_midi_event_no_status(decoder_, 1);
        snd_seq_start_queue(seq_, queue_, nullptr);
        snd_seq_drain_output(seq_);
        queueStart_ = steadyNanoseconds();
        sender_ = std::thread([this] { send(); });
        receiver_ = std::thread([this] { receive(); });
        engine_.setBlockListener(this);
        return true;
    }

  private:
    // Audio thread: the clock received since the last block, at the samples it came at
    // (before this block: the steps it starts fall at the block's start).
    void blockStarting(int64_t start, int frames) override {
        (void)start, (void)frames;
        const int64_t now = steadyNanoseconds();
        Incoming m;
        while (incoming_.pop(m)) {
            const int64_t ago = (now - m.nanoseconds) * engine_.rate() / 1'000'000'000;
            engine_.receiveMidi(static_cast<int>(-ago), m.bytes, m.size);
        }
    }

    void blockRendered(std::span<const TimedEvent> events, int64_t start, int frames) override {
        (void)frames;
        Outgoing mark;
        mark.sample = start;
        mark.nanoseconds = steadyNanoseconds();
        outgoing_.push(mark);
        blockStart_ = start;
        encoder.encode(events, engine_.midiOptions(), *this);
    }

    void write(int frame, const uint8_t* bytes, int size) override {
        Outgoing m;
        m.sample = blockStart_ + frame;
        m.size = size;
        std::copy_n(bytes, size, m.bytes);
        outgoing_.push(m);
    }

    // Puts each message on the queue at the time the device plays its sample.
    void send() {
        int64_t markSample = 0, markNanoseconds = queueStart_;
        const int64_t latency = int64_t{latencyFrames_} * 1'000'000'000 / engine_.rate();
        while (!stop_.load()) {
            Outgoing m;
            bool any = false;
            while (outgoing_.pop(m)) {
                if (m.size == 0) {
                    markSample = m.sample;
                    markNanoseconds = m.nanoseconds;
                    continue;
                }
                const int64_t due = markNanoseconds + latency - queueStart_ +
                                    (m.sample - markSample) * 1'000'000'000 / engine_.rate();
                snd_seq_event_t ev;
                snd_seq_ev_clear(&ev);
                snd_midi_event_reset_encode(encoder_);
                if (snd_midi_event_encode(encoder_, m.bytes, m.size, &ev) <= 0 ||
                    ev.type == SND_SEQ_EVENT_NONE)
                    continue;
                snd_seq_ev_set_source(&ev, out_);
                snd_seq_ev_set_subs(&ev);
                snd_seq_real_time_t at{
                    static_cast<unsigned>(std::max<int64_t>(due, 0) / 1'000'000'000),
                    static_cast<unsigned>(std::max<int64_t>(due, 0) % 1'000'000'000)};
                snd_seq_ev_schedule_real(&ev, queue_, 0, &at);
                snd_seq_event_output(seq_, &ev);
                any = true;
            }
            if (any) snd_seq_drain_output(seq_);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Takes the clock and the transport from "midi_in", stamped with when they came.
    void receive() {
        const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
        std::vector<pollfd> fds(static_cast<size_t>(std::max(count, 1)));
        snd_seq_poll_descriptors(seq_, fds.data(), static_cast<unsigned>(count), POLLIN);
        while (!stop_.load()) {
            if (poll(fds.data(), static_cast<nfds_t>(count), 50) <= 0) continue;
            snd_seq_event_t* ev = nullptr;
            while (snd_seq_event_input(seq_, &ev) >= 0 && ev) {
                Incoming m;
                m.nanoseconds = steadyNanoseconds();
                snd_midi_event_reset_decode(decoder_);
                const long size = snd_midi_event_decode(decoder_, m.bytes, sizeof m.bytes, ev);
                if (size > 0 && m.bytes[0] >= 0xF0) {
                    m.size = static_cast<int>(size);
                    incoming_.push(m);
                }
            }
        }
    }

    SynthEngine& engine_;
    const int latencyFrames_;
    snd_seq_t* seq_ = nullptr;
    int out_ = -1, in_ = -1, queue_ = -1;
    snd_midi_event_t* encoder_ = nullptr;  // the sending thread's
    snd_midi_event_t* decoder_ = nullptr;  // the receiving thread's
    int64_t queueStart_ = 0;
    SpscQueue<Outgoing, 8192> outgoing_;
    SpscQueue<Incoming, 1024> incoming_;
    std::atomic<bool> stop_{false};
    std::thread sender_, receiver_;
    // Audio thread only.
    MidiEncoder encoder;
    int64_t blockStart_ = 0;
};

}  // namespace

std::unique_ptr<AlsaSequencer> AlsaSequencer::open(SynthEngine& engine, int latencyFrames,
                                                   std::string& why) {
    auto sequencer = std::make_unique<Sequencer>(engine, latencyFrames);
    if (!sequencer->open(why)) return nullptr;
    return sequencer;
}

}  // namespace pattaplex
