#pragma once
// FluidSynth's and ALSA's messages are kept instead of printed, so that a failure reaches
// the user as one line of ours naming the reason.

#include <string>

namespace pattaplex {

// Routes the libraries' messages away from standard error (once per process); FluidSynth's
// errors are kept per thread for takeFluidError.
void captureLibraryMessages();

// FluidSynth's errors go to takeFluidError again (after a driver watched them).
void keepFluidErrors();
// Keeps `message` as this thread's last FluidSynth error.
void keepFluidError(const char* message);

// The last error FluidSynth reported on this thread, then forgotten; "" when none.
std::string takeFluidError();

}  // namespace pattaplex
