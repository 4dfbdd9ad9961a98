#include "AudioDevice.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "DeviceHealth.h"
#include "JackDevice.h"
#include "NoteSink.h"
#include "PulseDevice.h"
#include "SynthEngine.h"
#include "WavFile.h"
#include "library_messages.h"

namespace pattaplex {

namespace {

// What losing each driver's device is called in the status line.
const char* lossReason(const std::string& driver) {
    if (driver == "jack") return "the JACK server has gone";
    if (driver == "pulseaudio") return "the PulseAudio server has gone";
    if (driver == "pipewire") return "the PipeWire server has gone";
    if (driver == "file") return "the sound file can no longer be written";
    return "the sound device has gone";
}

// FluidSynth's drivers tell of a lost card only in an error message, and then stop calling
// back: an ALSA card that cannot be brought back after a failed write.
bool tellsOfLoss(const char* message) {
    if (!message) return false;
    const std::string m = message;
    for (const char* sign :
         {"Failed to prepare the audio device", "Failed to resume the audio device"})
        if (m.find(sign) != std::string::npos) return true;
    return false;
}

void watchFluidErrors(int level, const char* message, void* health) {
    keepFluidError(message);
    if (tellsOfLoss(message)) static_cast<DeviceHealth*>(health)->reportLost();
    (void)level;
}

// A FluidSynth driver calling back into the engine, which splits each period at the
// sample times of its notes.
class FluidDevice final : public AudioDevice {
  public:
    static std::unique_ptr<AudioDevice> open(SynthEngine& engine, DeviceHealth& health,
                                             const std::string& name, std::string& why) {
        auto* settings = static_cast<fluid_settings_t*>(engine.settingsHandle());
        if (fluid_settings_setstr(settings, "audio.driver", name.c_str()) != FLUID_OK) {
            why = "unknown audio driver \"" + name + "\"";
            return nullptr;
        }
        takeFluidError();
        auto device = std::unique_ptr<FluidDevice>(new FluidDevice(engine, name, health));
        health.watch(lossReason(name));
        fluid_set_log_function(FLUID_ERR, watchFluidErrors, &health);
        device->driver_ = new_fluid_audio_driver2(settings, &FluidDevice::callback, &engine);
        if (!device->driver_) {
            why = describe(name, takeFluidError());
            return nullptr;
        }
        return device;
    }

    double latency() const override {
        return static_cast<double>(engine_.deviceBufferFrames()) / engine_.rate();
    }

    ~FluidDevice() override {
        if (driver_) delete_fluid_audio_driver(driver_);
        health_.unwatch();
        keepFluidErrors();
    }

    std::string name() const override {
        for (const auto& [driver, known] :
             {std::pair{"pulseaudio", "PulseAudio"}, {"pipewire", "PipeWire"}, {"alsa", "ALSA"}})
            if (driverName_ == driver) return known;
        return driverName_;
    }

  private:
    FluidDevice(SynthEngine& engine, std::string driverName, DeviceHealth& health)
        : engine_(engine), driverName_(std::move(driverName)), health_(health) {}

    static std::string describe(const std::string& name, const std::string& reason) {
        return name + ": " + (reason.empty() ? "cannot open the sound device" : reason);
    }

    // The engine writes every frame of the first two outputs; any others stay silent.
    static int callback(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
        for (int i = 0; i < nfx; ++i) std::fill_n(fx[i], len, 0.0f);
        for (int i = nout < 2 ? 0 : 2; i < nout; ++i) std::fill_n(out[i], len, 0.0f);
        if (nout < 2) return FLUID_FAILED;
        static_cast<SynthEngine*>(data)->render(out[0], out[1], len);
        return FLUID_OK;
    }

    SynthEngine& engine_;
    std::string driverName_;
    DeviceHealth& health_;
    fluid_audio_driver_t* driver_ = nullptr;
};

// Runs the engine a period at a time at the pace of a sound card, on its own thread:
// writing a WAV file, or, with no file, keeping time in silence and resting while
// nothing plays. A file keeps its real-time length while the engine is asleep: the
// silence is written every half second or so, in one go, instead of rendered.
class PacedDevice final : public AudioDevice {
  public:
    static std::unique_ptr<PacedDevice> start(SynthEngine& engine, DeviceHealth* health,
                                              std::string& why) {
        const bool toFile = health != nullptr;
        auto device = std::unique_ptr<PacedDevice>(new PacedDevice(engine, health));
        if (toFile) {
            if (const char* rate = std::getenv("PATTAPLEX_AUDIO_RATE"); rate && *rate) {
                const int hz = std::atoi(rate);
                if (hz < kLowestRate || hz > kHighestRate) {
                    why = std::string("file: PATTAPLEX_AUDIO_RATE must be from ") +
                          std::to_string(kLowestRate) + " to " + std::to_string(kHighestRate);
                    return nullptr;
                }
                engine.setRate(hz);
            }
            const char* env = std::getenv("PATTAPLEX_AUDIO_FILE");
            const std::string path = env && *env ? env : "pattaplex-output.wav";
            if (auto error = device->wav_.open(path, engine.rate())) {
                why = "file: " + *error;
                return nullptr;
            }
            health->watch(lossReason("file"));
        }
        device->thread_ = std::thread([d = device.get()] { d->run(); });
        return device;
    }

    ~PacedDevice() override {
        stop_.store(true);
        wake();
        if (thread_.joinable()) thread_.join();
        wav_.close();
        if (health_) health_->unwatch();
    }

    double latency() const override {
        return static_cast<double>(engine_.deviceBufferFrames()) / engine_.rate();
    }

    std::string name() const override { return toFile_ ? "a file" : "no device"; }

    void wake() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            woken_ = true;
        }
        wakeUp_.notify_one();
    }

  private:
    static constexpr int kPeriod = 128;
    // The longest rest of a file's writer while nothing sounds.
    static constexpr auto kLongestRest = std::chrono::milliseconds(500);
    // Silence written at a time: the file's library takes it in pieces anyway.
    static constexpr int kSilenceChunk = 4096;

    PacedDevice(SynthEngine& engine, DeviceHealth* health)
        : engine_(engine), health_(health), toFile_(health != nullptr) {}

    void run() {
        std::vector<float> left(kPeriod), right(kPeriod);
        const std::vector<float> silence(toFile_ ? kSilenceChunk : 0);
        // Frames are due at the pace of the rate, counted from `origin`.
        auto origin = std::chrono::steady_clock::now();
        int64_t frames = 0;
        auto dueAt = [&](int64_t frame) { return origin + timeOf(frame); };
        while (!stop_.load()) {
            if (toFile_) {
                if (engine_.asleep() && !restThenWriteSilence(origin, frames, silence)) continue;
                engine_.render(left.data(), right.data(), kPeriod);
                // A full disk ends the file; the clock goes on in silence.
                if (!wav_.write(left.data(), right.data(), kPeriod)) lose();
            } else {
                engine_.render(nullptr, nullptr, kPeriod);
                if (!engine_.report().busy && rest()) {
                    origin = std::chrono::steady_clock::now();
                    frames = 0;
                }
            }
            frames += kPeriod;
            std::this_thread::sleep_until(dueAt(frames));
        }
    }

    // Frames to time and back, in whole seconds and the rest, so that nothing overflows
    // however long the program runs.
    std::chrono::nanoseconds timeOf(int64_t frame) const {
        const int64_t rate = engine_.rate();
        return std::chrono::seconds(frame / rate) +
               std::chrono::nanoseconds(frame % rate * 1'000'000'000 / rate);
    }
    int64_t framesIn(std::chrono::steady_clock::duration elapsed) const {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
        const int64_t rate = engine_.rate();
        return ns / 1'000'000'000 * rate + ns % 1'000'000'000 * rate / 1'000'000'000;
    }

    void lose() {
        health_->reportLost();
        toFile_ = false;
    }

    // The engine asleep, a file's writer waits until woken or for kLongestRest, then
    // passes the whole periods of silence gone by meanwhile to the engine and the file.
    // True when woken: the next period is rendered at once, taking what was queued.
    bool restThenWriteSilence(std::chrono::steady_clock::time_point origin, int64_t& frames,
                              const std::vector<float>& silence) {
        bool woken;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            woken = wakeUp_.wait_for(lock, kLongestRest, [&] { return woken_ || stop_.load(); });
            woken_ = false;
        }
        const int64_t due = framesIn(std::chrono::steady_clock::now() - origin);
        const int64_t gone = std::max<int64_t>(due - frames, 0) / kPeriod * kPeriod;
        engine_.passSilence(gone);
        frames += gone;
        for (int64_t done = 0; done < gone && toFile_;) {
            const int n = static_cast<int>(std::min<int64_t>(gone - done, kSilenceChunk));
            if (!wav_.write(silence.data(), silence.data(), n)) lose();
            done += n;
        }
        return woken && !stop_.load();
    }

    // Waits until woken; true when it did wait.
    bool rest() {
        std::unique_lock<std::mutex> lock(mutex_);
        const bool waited = !woken_;
        wakeUp_.wait(lock, [&] { return woken_ || stop_.load(); });
        woken_ = false;
        return waited;
    }

    SynthEngine& engine_;
    DeviceHealth* health_;  // only with a file
    bool toFile_;
    WavWriter wav_;
    std::mutex mutex_;
    std::condition_variable wakeUp_;
    std::atomic<bool> stop_{false};
    bool woken_ = false;
    std::thread thread_;
};

}  // namespace

std::string AudioDevice::requestedDriver() {
    const char* env = std::getenv("PATTAPLEX_AUDIO_DRIVER");
    return env && *env ? env : "";
}

std::unique_ptr<AudioDevice> AudioDevice::silent(SynthEngine& engine) {
    std::string unused;
    return PacedDevice::start(engine, nullptr, unused);
}

std::unique_ptr<AudioDevice> AudioDevice::open(SynthEngine& engine, DeviceHealth& health,
                                               PortConnections& connections, std::string& why) {
    const std::string wanted = requestedDriver();
    if (wanted == "none") {
        why = "sound output switched off (PATTAPLEX_AUDIO_DRIVER=none)";
        return nullptr;
    }
    if (wanted == "file") return PacedDevice::start(engine, &health, why);
    std::vector<std::string> names{"pulseaudio", "alsa"};
    if (!wanted.empty()) names = {wanted};
    std::string reasons;
    for (const std::string& name : names) {
        std::string reason;
        // JACK gets a client of our own, carrying MIDI as well as sound; PipeWire desktops
        // serve PulseAudio's clients too.
        const bool pulse = name == "pulseaudio" || name == "pipewire";
        std::unique_ptr<AudioDevice> device;
        if (name == "jack")
            device = openJackDevice(engine, health, connections, lossReason(name), reason);
        else if (pulse)
            device = openPulseDevice(engine, health, name == "pipewire" ? "PipeWire" : "PulseAudio",
                                     lossReason(name), reason);
        else
            device = FluidDevice::open(engine, health, name, reason);
        if (device) return device;
        reasons += (reasons.empty() ? "" : "; ") + reason;
    }
    why = reasons;
    return nullptr;
}

}  // namespace pattaplex
