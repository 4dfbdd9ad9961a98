#include "AudioDevice.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "NoteSink.h"
#include "SynthEngine.h"
#include "WavFile.h"
#include "library_messages.h"

namespace pattaplex {

namespace {

// A FluidSynth driver calling back into the engine, which splits each period at the
// sample times of its notes.
class FluidDevice final : public AudioDevice {
  public:
    static std::unique_ptr<AudioDevice> open(SynthEngine& engine, const std::string& name,
                                             std::string& why) {
        auto* settings = static_cast<fluid_settings_t*>(engine.settingsHandle());
        if (fluid_settings_setstr(settings, "audio.driver", name.c_str()) != FLUID_OK) {
            why = "unknown audio driver \"" + name + "\"";
            return nullptr;
        }
        takeFluidError();
        auto device = std::unique_ptr<FluidDevice>(new FluidDevice());
        device->driver_ = new_fluid_audio_driver2(settings, &FluidDevice::callback, &engine);
        if (!device->driver_) {
            const std::string reason = takeFluidError();
            why = name + ": " + (reason.empty() ? "cannot open the sound device" : reason);
            return nullptr;
        }
        // A server with its own rate (JACK) would change every step's length.
        double rate = 0;
        fluid_settings_getnum(settings, "synth.sample-rate", &rate);
        if (rate != kSampleRate) {
            fluid_settings_setnum(settings, "synth.sample-rate", kSampleRate);
            why = name + ": the device runs at " + std::to_string(static_cast<int>(rate)) +
                  " Hz; the drum machine needs " + std::to_string(kSampleRate) + " Hz";
            return nullptr;
        }
        return device;
    }

    ~FluidDevice() override {
        if (driver_) delete_fluid_audio_driver(driver_);
    }

  private:
    FluidDevice() = default;

    static int callback(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
        for (int i = 0; i < nfx; ++i) std::fill_n(fx[i], len, 0.0f);
        for (int i = 0; i < nout; ++i) std::fill_n(out[i], len, 0.0f);
        if (nout < 2) return FLUID_FAILED;
        static_cast<SynthEngine*>(data)->render(out[0], out[1], len);
        return FLUID_OK;
    }

    fluid_audio_driver_t* driver_ = nullptr;
};

// Writes the output to a WAV file at the pace of a sound card, a period at a time.
class FileDevice final : public AudioDevice {
  public:
    static std::unique_ptr<AudioDevice> open(SynthEngine& engine, std::string& why) {
        const char* env = std::getenv("PATTAPLEX_AUDIO_FILE");
        const std::string path = env && *env ? env : "pattaplex-output.wav";
        auto device = std::unique_ptr<FileDevice>(new FileDevice(engine));
        if (auto error = device->wav_.open(path)) {
            why = "file: " + *error;
            return nullptr;
        }
        device->thread_ = std::thread([d = device.get()] { d->run(); });
        return device;
    }

    ~FileDevice() override {
        stop_.store(true);
        if (thread_.joinable()) thread_.join();
        wav_.close();
    }

  private:
    static constexpr int kPeriod = 128;

    explicit FileDevice(SynthEngine& engine) : engine_(engine) {}

    void run() {
        std::array<float, kPeriod> left{}, right{};
        const auto period =
            std::chrono::nanoseconds(int64_t{1'000'000'000} * kPeriod / kSampleRate);
        auto due = std::chrono::steady_clock::now();
        while (!stop_.load()) {
            engine_.render(left.data(), right.data(), kPeriod);
            wav_.write(left.data(), right.data(), kPeriod);
            due += period;
            std::this_thread::sleep_until(due);
        }
    }

    SynthEngine& engine_;
    WavWriter wav_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

std::string AudioDevice::requestedDriver() {
    const char* env = std::getenv("PATTAPLEX_AUDIO_DRIVER");
    return env && *env ? env : "";
}

std::unique_ptr<AudioDevice> AudioDevice::open(SynthEngine& engine, std::string& why) {
    const std::string wanted = requestedDriver();
    if (wanted == "none") {
        why = "sound output switched off (PATTAPLEX_AUDIO_DRIVER=none)";
        return nullptr;
    }
    if (wanted == "file") return FileDevice::open(engine, why);
    std::vector<std::string> names{"pulseaudio", "alsa"};
    // A FluidSynth built without PipeWire reaches it through its PulseAudio service.
    if (wanted == "pipewire")
        names = {"pipewire", "pulseaudio"};
    else if (!wanted.empty())
        names = {wanted};
    std::string reasons;
    for (const std::string& name : names) {
        std::string reason;
        if (auto device = FluidDevice::open(engine, name, reason)) return device;
        reasons += (reasons.empty() ? "" : "; ") + reason;
    }
    why = reasons;
    return nullptr;
}

}  // namespace pattaplex
