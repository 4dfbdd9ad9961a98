#pragma once
// Standard MIDI File export of the groove.

#include <cstdint>
#include <string>

#include "GrooveState.h"
#include "Result.h"
#include "hit_timing.h"

namespace pattaplex {

// Writes the groove as a format-1 Standard MIDI File, atomically: one pass with its feel,
// the chance and humanise drawn as the first pass with `seed` plays. On failure the text is
// the failing step's message, followed by the path and the system's reason when the file
// could not be written; no file is left behind.
Status exportMidi(const std::string& path, const GrooveState& s, uint64_t seed = kDefaultFeelSeed);

}  // namespace pattaplex
