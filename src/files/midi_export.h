#pragma once
// Standard MIDI File export of the groove.

#include <string>

#include "GrooveState.h"
#include "Result.h"

namespace pattaplex {

// Writes the groove as a format-1 Standard MIDI File, atomically. On failure the text is
// the failing step's message, followed by the path and the system's reason when the file
// could not be written; no file is left behind.
Status exportMidi(const std::string& path, const GrooveState& s);

}  // namespace pattaplex
