#pragma once
// Standard MIDI File export of the groove.

#include <optional>
#include <string>

#include "GrooveState.h"

namespace pattaplex {

// Writes the groove as a format-1 Standard MIDI File, atomically. Returns nothing on
// success, else the failing step's message (no file is left behind).
std::optional<std::string> exportMidi(const std::string& path, const GrooveState& s);

}  // namespace pattaplex
