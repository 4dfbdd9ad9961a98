#pragma once
// Renders a groove to sound with the step clock, as fast as the machine allows, with no
// sound device and in constant memory: the sound goes out a block at a time as it is made.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "GrooveState.h"
#include "NoteSink.h"
#include "hit_timing.h"

namespace pattaplex {

struct RenderOptions {
    int passes = 4;          // times through the groove from step 0
    int rate = kSampleRate;  // kLowestRate .. kHighestRate
    // Threads the synthesizer renders on: the same sound, sooner on a machine with cores
    // to spare.
    int cores = 1;
    // Told the share done, 0..1, now and then; may be null.
    std::function<void(double)> progress;
    // Set from any thread to give up; may be null.
    const std::atomic<bool>* cancel = nullptr;
    // The seed of the chance and humanise draws: the same seed, the same sound.
    uint64_t seed = kDefaultFeelSeed;
};

// Takes each block of stereo samples as it is made; false gives up.
using BlockWriter = std::function<bool(const float* left, const float* right, int frames)>;

struct RenderResult {
    int64_t passesEnd = 0;  // samples of the passes; the release tail follows
    int64_t length = 0;     // samples in all
};

// The passes, then the release tail until silence (at most a few seconds). Works on a copy
// of `s`. Nothing when the kit is refused, the soundfont cannot be loaded, the rate is out
// of range, the writer gave up or the render was cancelled; `why` then tells the reason
// ("cancelled" for a cancel).
std::optional<RenderResult> renderGroove(const GrooveState& s, const RenderOptions& options,
                                         const BlockWriter& write, std::string& why);

// The same into the sound file `path`: 16-bit stereo WAV, or FLAC for a name ending in
// ".flac". It is written beside `path` and renamed into place when complete, so a failed
// or cancelled render leaves any old file as it was and no new one. The cancel is last
// looked at once the file is complete, just before it replaces the old one; a cancel
// after that comes too late and the new file stays. Nothing on success, else the reason;
// `lengths`, when given, is told what was written.
std::optional<std::string> renderToFile(const GrooveState& s, const std::string& path,
                                        const RenderOptions& options,
                                        RenderResult* lengths = nullptr);

// A whole render in memory, for checks of the sound itself.
struct RenderedAudio {
    std::vector<float> left, right;
    size_t passesEnd = 0;
};
std::optional<RenderedAudio> renderToMemory(const GrooveState& s, int passes, std::string& why,
                                            int rate = kSampleRate);

}  // namespace pattaplex
