#include "WavFile.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace pattaplex {

WavWriter::~WavWriter() {
    close();
}

namespace {

bool isFlacName(const std::string& path) {
    return path.size() >= 5 && path.compare(path.size() - 5, 5, ".flac") == 0;
}

}  // namespace

std::optional<std::string> WavWriter::open(const std::string& path, int rate,
                                           const std::string& shownName) {
    close();
    path_ = shownName.empty() ? path : shownName;
    const bool flac = isFlacName(path_);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = (flac ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return "cannot write " + path_ + ": " + sf_strerror(nullptr);
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file_ = f;
    failed_ = false;
    return std::nullopt;
}

namespace {

// Nothing for a sample that is no number; libsndfile's clipping (set at open) keeps
// every other one at full scale at most, so none wraps round to the other side.
float numberOrSilence(float sample) {
    return std::isnan(sample) ? 0.0f : sample;
}

}  // namespace

bool WavWriter::write(const float* left, const float* right, int frames) {
    if (!file_ || failed_) return false;
    std::array<float, 2 * 512> interleaved;
    for (int done = 0; done < frames;) {
        const int n = std::min(frames - done, 512);
        for (int i = 0; i < n; ++i) {
            interleaved[static_cast<size_t>(2 * i)] = numberOrSilence(left[done + i]);
            interleaved[static_cast<size_t>(2 * i + 1)] = numberOrSilence(right[done + i]);
        }
        if (sf_writef_float(static_cast<SNDFILE*>(file_), interleaved.data(), n) != n) {
            failed_ = true;
            return false;
        }
        done += n;
    }
    return true;
}

std::optional<std::string> WavWriter::close() {
    if (!file_) return std::nullopt;
    auto* f = static_cast<SNDFILE*>(file_);
    file_ = nullptr;
    std::optional<std::string> error;
    if (failed_) error = "cannot write " + path_ + ": " + sf_strerror(f);
    if (sf_close(f) != 0 && !error) error = "cannot write " + path_;
    return error;
}

std::optional<std::pair<std::vector<int16_t>, int>> readWav16(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return std::nullopt;
    std::vector<int16_t> samples(static_cast<size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_short(f, samples.data(), info.frames);
    sf_close(f);
    if (info.channels != 2 || got != info.frames) return std::nullopt;
    return std::make_pair(std::move(samples), info.samplerate);
}

}  // namespace pattaplex
