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

    // Writes into the file open as `fd`, which stays open, as FLAC when the name the user
    // knows it by ends in ".flac", else as WAV. Nothing on success, else the reason,
    // naming that name; a reason the system gave is its own wording.
    std::optional<std::string> open(int fd, int rate, const std::string& shownName);
    // The same into `path`, created or emptied.
    std::optional<std::string> open(const std::string& path, int rate);
    // Appends `frames` stereo frames of samples in -1..1 (clipped beyond).
    bool write(const float* left, const float* right, int frames);
    // Completes the file; nothing on success, else the reason.
    std::optional<std::string> close();

  private:
    struct Io;
    std::string reason(void* file) const;

    void* file_ = nullptr;
    int fd_ = -1;
    bool ownsFd_ = false;
    std::string name_;
    bool failed_ = false;
    int systemError_ = 0;  // errno of the first failed read, write or seek
};

// Reads a 16-bit WAV or FLAC file as interleaved stereo samples and its sample rate; nothing when
// it cannot be read.
std::optional<std::pair<std::vector<int16_t>, int>> readWav16(const std::string& path);

}  // namespace pattaplex
