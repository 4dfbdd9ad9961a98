#include "fluid_log.h"

#include <fluidsynth.h>

#include <mutex>

namespace pattaplex {

namespace {

thread_local std::string lastError;

void keepError(int, const char* message, void*) {
    lastError = message ? message : "";
}
void dropMessage(int, const char*, void*) {}

}  // namespace

void captureFluidLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_ERR, keepError, nullptr);
        fluid_set_log_function(FLUID_WARN, dropMessage, nullptr);
        fluid_set_log_function(FLUID_INFO, dropMessage, nullptr);
        fluid_set_log_function(FLUID_DBG, dropMessage, nullptr);
    });
}

std::string takeFluidError() {
    std::string e;
    e.swap(lastError);
    return e;
}

}  // namespace pattaplex
