#pragma once
// FluidSynth's messages are kept instead of printed, so that a failure reaches the user
// as one line of ours naming the reason.

#include <string>

namespace pattaplex {

// Routes FluidSynth's log to the calling thread's last-error text (once per process).
void captureFluidLog();

// The last error FluidSynth reported on this thread, then forgotten; "" when none.
std::string takeFluidError();

}  // namespace pattaplex
