#include "PulseDevice.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "DeviceHealth.h"
#include "SynthEngine.h"

namespace pattaplex {

namespace {

// The stream's buffer: with the server's own, under 25 ms between the engine and the
// speaker, filled in requests of a few milliseconds instead of hundreds of tiny ones a
// second. (The server's latency adjustment is not asked for: with it, a null sink stops
// asking for more after the first buffer.)
constexpr pa_usec_t kTargetLatency = 15000;
// Frames rendered at a time within a request.
constexpr int kChunk = 1024;
// Silence kept flowing after the engine falls asleep, so that everything audible has
// left the buffer before the stream is corked.
constexpr int64_t kSettleSeconds = 1;

class PulseDevice final : public AudioDevice {
  public:
    PulseDevice(SynthEngine& engine, DeviceHealth& health, std::string name)
        : engine_(engine), health_(health), name_(std::move(name)), left_(kChunk), right_(kChunk) {}

    ~PulseDevice() override {
        health_.unwatch();  // closing is no loss
        if (loop_) pa_threaded_mainloop_stop(loop_);
        if (stream_) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (context_) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        if (loop_) pa_threaded_mainloop_free(loop_);
    }

    bool start(const char* lossReason, std::string& why) {
        loop_ = pa_threaded_mainloop_new();
        if (!loop_) return fail("cannot start its thread", why);
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Pattaplex");
        if (!context_) return fail("cannot create a context", why);
        pa_context_set_state_callback(context_, &PulseDevice::contextChanged, this);
        // A missing server fails at once instead of being started.
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return fail(pa_strerror(pa_context_errno(context_)), why);
        if (pa_threaded_mainloop_start(loop_) < 0) return fail("cannot start its thread", why);

        pa_threaded_mainloop_lock(loop_);
        const bool ready = connectStream();
        if (!ready) why = std::string("pulseaudio: ") + pa_strerror(pa_context_errno(context_));
        pa_threaded_mainloop_unlock(loop_);
        if (ready) health_.watch(lossReason);
        return ready;
    }

    void wake() override {
        pa_threaded_mainloop_lock(loop_);
        settled_ = 0;
        if (corked_) {
            corked_ = false;
            if (pa_operation* o = pa_stream_cork(stream_, 0, nullptr, nullptr))
                pa_operation_unref(o);
            askLatency();
        }
        pa_threaded_mainloop_unlock(loop_);
    }

    double latency() const override { return latency_.load(); }
    std::string name() const override { return name_; }

  private:
    bool fail(const std::string& reason, std::string& why) {
        why = "pulseaudio: " + reason;
        return false;
    }

    // With the loop locked: the context and then the stream are ready.
    bool connectStream() {
        while (pa_context_get_state(context_) != PA_CONTEXT_READY) {
            if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) return false;
            pa_threaded_mainloop_wait(loop_);
        }
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(engine_.rate()), 2};
        stream_ = pa_stream_new(context_, "Pattaplex", &spec, nullptr);
        if (!stream_) return false;
        pa_stream_set_state_callback(stream_, &PulseDevice::streamChanged, this);
        pa_stream_set_write_callback(stream_, &PulseDevice::writeWanted, this);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kTargetLatency, &spec));
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(-1);
        if (pa_stream_connect_playback(stream_, nullptr, &attr, PA_STREAM_NOFLAGS, nullptr,
                                       nullptr) < 0)
            return false;
        while (pa_stream_get_state(stream_) != PA_STREAM_READY) {
            if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) return false;
            pa_threaded_mainloop_wait(loop_);
        }
        // Until the server tells: the buffer granted.
        if (const pa_buffer_attr* granted = pa_stream_get_buffer_attr(stream_))
            latency_ = static_cast<double>(pa_bytes_to_usec(granted->tlength, &spec)) / 1e6;
        askLatency();
        return true;
    }

    // With the loop locked: the server is asked once for the stream's and its sink's
    // latency together, instead of timing updates all the time.
    void askLatency() {
        if (pa_operation* o = pa_stream_update_timing_info(stream_, &PulseDevice::timed, this))
            pa_operation_unref(o);
    }

    static void timed(pa_stream* stream, int success, void* data) {
        pa_usec_t usec = 0;
        int negative = 0;
        if (success && pa_stream_get_latency(stream, &usec, &negative) == 0 && !negative &&
            usec > 0)
            static_cast<PulseDevice*>(data)->latency_ = static_cast<double>(usec) / 1e6;
    }

    static void contextChanged(pa_context* context, void* data) {
        auto* self = static_cast<PulseDevice*>(data);
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) self->health_.reportLost();
        pa_threaded_mainloop_signal(self->loop_, 0);
    }

    static void streamChanged(pa_stream* stream, void* data) {
        auto* self = static_cast<PulseDevice*>(data);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) self->health_.reportLost();
        pa_threaded_mainloop_signal(self->loop_, 0);
    }

    // The server's thread: the audio thread of this device.
    static void writeWanted(pa_stream* stream, size_t bytes, void* data) {
        static_cast<PulseDevice*>(data)->fill(stream, bytes);
    }

    void fill(pa_stream* stream, size_t bytes) {
        constexpr size_t kFrameBytes = 2 * sizeof(float);
        size_t frames = bytes / kFrameBytes;
        while (frames > 0) {
            size_t size = std::min<size_t>(frames, kChunk) * kFrameBytes;
            void* buffer = nullptr;
            if (pa_stream_begin_write(stream, &buffer, &size) < 0 || !buffer) return;
            const int n = static_cast<int>(std::min<size_t>(size / kFrameBytes, kChunk));
            engine_.render(left_.data(), right_.data(), n);
            auto* out = static_cast<float*>(buffer);
            for (int i = 0; i < n; ++i) {
                out[2 * i] = left_[static_cast<size_t>(i)];
                out[2 * i + 1] = right_[static_cast<size_t>(i)];
            }
            pa_stream_write(stream, buffer, static_cast<size_t>(n) * kFrameBytes, nullptr, 0,
                            PA_SEEK_RELATIVE);
            frames -= static_cast<size_t>(n);
            settled_ = engine_.asleep() ? settled_ + n : 0;
        }
        // Asleep long enough for the buffer to hold only silence: no more requests until
        // something is to be played.
        if (settled_ > kSettleSeconds * engine_.rate() && !corked_) {
            corked_ = true;
            if (pa_operation* o = pa_stream_cork(stream, 1, nullptr, nullptr))
                pa_operation_unref(o);
        }
    }

    SynthEngine& engine_;
    DeviceHealth& health_;
    const std::string name_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::vector<float> left_, right_;
    // Under the loop's lock.
    bool corked_ = false;
    int64_t settled_ = 0;  // frames rendered since the engine fell asleep
    std::atomic<double> latency_{0};
};

}  // namespace

std::unique_ptr<AudioDevice> openPulseDevice(SynthEngine& engine, DeviceHealth& health,
                                             const std::string& name, const char* lossReason,
                                             std::string& why) {
    auto device = std::make_unique<PulseDevice>(engine, health, name);
    if (!device->start(lossReason, why)) return nullptr;
    return device;
}

}  // namespace pattaplex
