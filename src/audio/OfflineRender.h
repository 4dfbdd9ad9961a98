#pragma once
// Renders a groove to audio with the step clock, as fast as the machine allows and with
// no sound device.

#include <optional>
#include <string>
#include <vector>

#include "GrooveState.h"

namespace pattaplex {

struct RenderedAudio {
    std::vector<float> left, right;  // at kSampleRate
    size_t passesEnd = 0;            // samples of the passes; the release tail follows
};

// `passes` times through the groove from step 0, then the release tail until silence
// (at most a few seconds). Works on a copy of `s`. Nothing when the kit is refused or the
// soundfont cannot be loaded; `why` then tells the reason.
std::optional<RenderedAudio> renderGroove(const GrooveState& s, int passes, std::string& why);

// Writes what renderGroove produced as a 44.1 kHz 16-bit stereo WAV file.
std::optional<std::string> writeWav(const std::string& path, const RenderedAudio& audio);

}  // namespace pattaplex
