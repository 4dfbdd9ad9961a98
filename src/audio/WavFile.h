#pragma once
// 16-bit stereo sound files (libsndfile), written as they grow: WAV, or FLAC for a name
// ending in ".flac".

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pattaplex {

class WavWriter {
  public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Writes FLAC when the name the user knows it by (`shownName`, default `path`) ends in
    // ".flac", else WAV. Nothing on success, else the reason, naming that name.
    std::optional<std::string> open(const std::string& path, int rate,
                                    const std::string& shownName = {});
    // Appends `frames` stereo frames of samples in -1..1 (clipped beyond).
    bool write(const float* left, const float* right, int frames);
    // Completes the file; nothing on success, else the reason.
    std::optional<std::string> close();

  private:
    void* file_ = nullptr;
    std::string path_;
    bool failed_ = false;
};

// Reads a 16-bit WAV or FLAC file as interleaved stereo samples and its sample rate; nothing when
// it cannot be read.
std::optional<std::pair<std::vector<int16_t>, int>> readWav16(const std::string& path);

}  // namespace pattaplex
