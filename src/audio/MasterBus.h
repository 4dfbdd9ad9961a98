#pragma once
// The last stage of the output, after the synthesizer's mix: the master volume, a safety
// limiter that keeps every sample inside full scale, and the peak level the window's meter
// shows. process() runs on the audio thread: no lock, no allocation; the volume and the
// peak cross between threads through atomics.
//
// The limiter looks at each stereo frame as it comes (no look-ahead, no added latency).
// When a frame would go above the threshold (-1 dBFS) its gain drops at once to exactly
// what keeps it at the threshold; afterwards the gain comes back towards unity with a
// smooth exponential release. A mix that stays below the threshold passes bit for bit.

#include <atomic>

namespace pattaplex {

class MasterBus {
  public:
    // -1 dBFS: the loudest sample the bus lets through.
    static constexpr float kThreshold = 0.89125094f;
    // Time constant of the limiter's return to unity gain.
    static constexpr double kReleaseSeconds = 0.1;

    // The volume the window last set, 0..1. A new bus starts at it, so a render started
    // from the window plays at the volume the user hears; nothing else sets it, so
    // command-line renders play at full volume.
    static void setProgramVolume(float volume);
    static float programVolume();

    explicit MasterBus(int sampleRate);

    // Not while process() runs: the rate the bus's release is timed at.
    void setSampleRate(int sampleRate);

    // Any thread. 0..1 (outside is clamped, a value that is no number ignored), a linear
    // gain on the mix before the limiter. The next block glides to it over its length, without a
    // click.
    void setVolume(float volume);
    float volume() const { return volume_.load(std::memory_order_relaxed); }

    // Audio thread: applies the volume and the limiter in place and records the peak.
    void process(float* left, float* right, int frames);
    // Audio thread, instead of process() on a block of silence: nothing to scale or
    // measure. False while the limiter is letting go: its release is timed sample by
    // sample, so the block must go through process().
    bool passSilence();

    // Any thread: the highest absolute sample put out since the last call (0 = silence,
    // 1 = full scale), and a new measure starts.
    float takePeak() { return peak_.exchange(0.0f, std::memory_order_acq_rel); }

  private:
    static float clampVolume(float volume);
    bool passUnlimited(float* left, float* right, int frames, float volume);
    void recordPeak(float peak);

    std::atomic<float> volume_;
    std::atomic<float> peak_{0.0f};
    static_assert(std::atomic<float>::is_always_lock_free);
    // Audio thread only.
    float release_ = 0.0f;  // per-sample factor on the distance from unity gain
    float cut_ = 0.0f;      // what the limiter takes off: its gain is 1 - cut_
    float applied_;         // the volume at the end of the last block
};

}  // namespace pattaplex
