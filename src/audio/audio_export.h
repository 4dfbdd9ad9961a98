#pragma once
// A groove rendered to an audio file, WAV or FLAC by the file's extension, for an export
// that runs on a worker thread and can be cancelled.

#include <atomic>
#include <functional>
#include <string>

#include "GrooveState.h"

namespace pattaplex {

struct ExportOutcome {
    bool cancelled = false;
    std::string error;  // empty on success
    bool ok() const { return !cancelled && error.empty(); }
};

// True for the extensions the export writes: ".wav" and ".flac", in any case.
bool isAudioExportPath(const std::string& path);

// Renders `passes` passes of `s` (the same rendering as the command-line render) and
// writes them to `path` through a temporary file beside it, so that a failed or cancelled
// export leaves no file. `cancel` is polled; `progress` gets 0..1 while the file is
// written.
ExportOutcome exportAudio(const GrooveState& s, int passes, const std::string& path,
                          const std::atomic<bool>& cancel,
                          const std::function<void(double)>& progress = {});

}  // namespace pattaplex
