#include "audio_export.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

#include "NoteSink.h"
#include "OfflineRender.h"

namespace pattaplex {

namespace {

namespace fs = std::filesystem;

constexpr size_t kBlockFrames = 8192;

std::string lowerExtension(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// Writes the whole render to `path`; empty on success, else why.
std::string writeAudio(const std::string& path, int format, const RenderedAudio& audio,
                       const std::atomic<bool>& cancel,
                       const std::function<void(double)>& progress) {
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return std::string("cannot write there: ") + sf_strerror(nullptr);
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::vector<float> interleaved(2 * kBlockFrames);
    const size_t frames = audio.left.size();
    std::string error;
    for (size_t done = 0; done < frames && error.empty() && !cancel; done += kBlockFrames) {
        const size_t n = std::min(kBlockFrames, frames - done);
        for (size_t i = 0; i < n; ++i) {
            interleaved[2 * i] = audio.left[done + i];
            interleaved[2 * i + 1] = audio.right[done + i];
        }
        if (sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(n)) !=
            static_cast<sf_count_t>(n))
            error = sf_strerror(file);
        if (progress) progress(static_cast<double>(done + n) / static_cast<double>(frames));
    }
    if (sf_close(file) != 0 && error.empty()) error = "the file could not be completed";
    return error;
}

}  // namespace

bool isAudioExportPath(const std::string& path) {
    const std::string ext = lowerExtension(path);
    return ext == ".wav" || ext == ".flac";
}

ExportOutcome exportAudio(const GrooveState& s, int passes, const std::string& path,
                          const std::atomic<bool>& cancel,
                          const std::function<void(double)>& progress) {
    ExportOutcome outcome;
    if (!isAudioExportPath(path)) {
        outcome.error = "audio is exported as .wav or .flac";
        return outcome;
    }
    if (passes < 1) {
        outcome.error = "at least one pass is needed";
        return outcome;
    }
    std::string why;
    const auto audio = renderGroove(s, passes, why);
    if (cancel) {
        outcome.cancelled = true;
        return outcome;
    }
    if (!audio) {
        outcome.error = why;
        return outcome;
    }

    const int format =
        (lowerExtension(path) == ".flac" ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
    const std::string partial = path + ".part";
    outcome.error = writeAudio(partial, format, *audio, cancel, progress);
    std::error_code ignored;
    if (cancel || !outcome.error.empty()) {
        outcome.cancelled = outcome.error.empty();
        fs::remove(partial, ignored);
        return outcome;
    }
    std::error_code renamed;
    fs::rename(partial, path, renamed);
    if (renamed) {
        outcome.error = renamed.message();
        fs::remove(partial, ignored);
    }
    return outcome;
}

}  // namespace pattaplex
