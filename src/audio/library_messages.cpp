#include "library_messages.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <mutex>

namespace pattaplex {

namespace {

thread_local std::string lastError;

void keepError(int, const char* message, void*) {
    keepFluidError(message);
}
void dropMessage(int, const char*, void*) {}
// ALSA explains a missing card at length; FluidSynth's own error names the device.
void dropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void captureLibraryMessages() {
    static std::once_flag once;
    std::call_once(once, [] {
        keepFluidErrors();
        fluid_set_log_function(FLUID_WARN, dropMessage, nullptr);
        fluid_set_log_function(FLUID_INFO, dropMessage, nullptr);
        fluid_set_log_function(FLUID_DBG, dropMessage, nullptr);
        snd_lib_error_set_handler(dropAlsaMessage);
    });
}

void keepFluidErrors() {
    fluid_set_log_function(FLUID_ERR, keepError, nullptr);
}

void keepFluidError(const char* message) {
    lastError = message ? message : "";
}

std::string takeFluidError() {
    std::string e;
    e.swap(lastError);
    return e;
}

}  // namespace pattaplex
