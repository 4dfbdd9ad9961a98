#include "MasterBus.h"

#include <algorithm>
#include <cmath>

namespace pattaplex {

namespace {

std::atomic<float> programVolume_{1.0f};

// Once the gain is this close to unity it is unity again, so a quiet passage after a
// loud one passes untouched.
constexpr float kUnitySnap = 1e-6f;

}  // namespace

void MasterBus::setProgramVolume(float volume) {
    if (std::isfinite(volume)) programVolume_.store(clampVolume(volume), std::memory_order_relaxed);
}

float MasterBus::programVolume() {
    return programVolume_.load(std::memory_order_relaxed);
}

float MasterBus::clampVolume(float volume) {
    return std::clamp(volume, 0.0f, 1.0f);
}

MasterBus::MasterBus(int sampleRate) : volume_(programVolume()), applied_(programVolume()) {
    setSampleRate(sampleRate);
}

void MasterBus::setSampleRate(int sampleRate) {
    const double samples = kReleaseSeconds * std::max(sampleRate, 1);
    release_ = static_cast<float>(std::exp(-1.0 / samples));
}

void MasterBus::setVolume(float volume) {
    if (std::isfinite(volume)) volume_.store(clampVolume(volume), std::memory_order_relaxed);
}

bool MasterBus::passSilence() {
    if (cut_ > 0.0f) return false;
    applied_ = volume_.load(std::memory_order_relaxed);
    return true;
}

// The usual block, in two quick passes, bit for bit what the full loop below would give:
// a steady volume, the limiter at rest, and no sample that would reach it or is no number.
// Scales the block and records its peak; false, touching nothing, otherwise.
bool MasterBus::passUnlimited(float* left, float* right, int frames, float volume) {
    float loudest = 0.0f;
    float broken = 0.0f;  // stays zero unless a sample is infinite or no number
    for (int i = 0; i < frames; ++i) {
        loudest = std::max(loudest, std::max(std::fabs(left[i]), std::fabs(right[i])));
        broken += left[i] * 0.0f + right[i] * 0.0f;
    }
    // Rounding keeps order: the loudest sample scaled is the loudest scaled sample.
    const float peak = loudest * volume;
    if (broken != 0.0f || peak > kThreshold) return false;
    if (volume != 1.0f)
        for (int i = 0; i < frames; ++i) left[i] *= volume, right[i] *= volume;
    recordPeak(peak);
    return true;
}

void MasterBus::recordPeak(float peak) {
    float before = peak_.load(std::memory_order_relaxed);
    while (peak > before && !peak_.compare_exchange_weak(before, peak, std::memory_order_acq_rel)) {
    }
}

void MasterBus::process(float* left, float* right, int frames) {
    if (frames <= 0) return;
    const float target = volume_.load(std::memory_order_relaxed);
    if (cut_ == 0.0f && target == applied_ && passUnlimited(left, right, frames, target)) return;
    const float step = (target - applied_) / static_cast<float>(frames);
    float peak = 0.0f;
    for (int i = 0; i < frames; ++i) {
        const float v = i + 1 == frames ? target : applied_ + step * static_cast<float>(i + 1);
        float l = left[i] * v;
        float r = right[i] * v;
        // A broken sample is dropped rather than passed on to the speakers.
        if (!std::isfinite(l)) l = 0.0f;
        if (!std::isfinite(r)) r = 0.0f;
        const float level = std::max(std::fabs(l), std::fabs(r));
        const float needed = level > kThreshold ? 1.0f - kThreshold / level : 0.0f;
        if (needed > cut_) {
            cut_ = needed;
        } else if (cut_ > 0.0f) {
            cut_ = needed + (cut_ - needed) * release_;
            if (cut_ < kUnitySnap) cut_ = 0.0f;
        }
        if (cut_ > 0.0f) {
            // The clamp only catches the last rounding step of the gain.
            const float gain = 1.0f - cut_;
            l = std::clamp(l * gain, -kThreshold, kThreshold);
            r = std::clamp(r * gain, -kThreshold, kThreshold);
        }
        left[i] = l;
        right[i] = r;
        peak = std::max({peak, std::fabs(l), std::fabs(r)});
    }
    applied_ = target;
    recordPeak(peak);
}

}  // namespace pattaplex
