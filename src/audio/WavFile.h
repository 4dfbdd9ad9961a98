#pragma once
// 44.1 kHz 16-bit stereo WAV files (libsndfile), written as they grow.

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

    // Nothing on success, else the reason.
    std::optional<std::string> open(const std::string& path);
    // Appends `frames` stereo frames of samples in -1..1 (clipped beyond).
    bool write(const float* left, const float* right, int frames);
    // Completes the file; nothing on success, else the reason.
    std::optional<std::string> close();

  private:
    void* file_ = nullptr;
    std::string path_;
    bool failed_ = false;
};

// Reads a 16-bit WAV file as interleaved stereo samples and its sample rate; nothing when
// it cannot be read.
std::optional<std::pair<std::vector<int16_t>, int>> readWav16(const std::string& path);

}  // namespace pattaplex
