#include "WavFile.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace pattaplex {

WavWriter::~WavWriter() {
    close();
}

namespace {

bool isFlacName(const std::string& path) {
    return path.size() >= 5 && path.compare(path.size() - 5, 5, ".flac") == 0;
}

}  // namespace

// The library's reads, writes and seeks go to the descriptor through these, so that a
// failure keeps the system's reason (a full disk, a read-only or vanished file system),
// which the library itself words only in general terms, and for FLAC not at all.
struct WavWriter::Io {
    static WavWriter& of(void* self) { return *static_cast<WavWriter*>(self); }
    static sf_count_t failed(void* self) {
        if (of(self).systemError_ == 0) of(self).systemError_ = errno;
        return -1;
    }
    static sf_count_t length(void* self) {
        struct stat info {};
        return ::fstat(of(self).fd_, &info) == 0 ? info.st_size : failed(self);
    }
    static sf_count_t seek(sf_count_t offset, int whence, void* self) {
        const off_t at = ::lseek(of(self).fd_, offset, whence);
        return at < 0 ? failed(self) : at;
    }
    static sf_count_t tell(void* self) { return seek(0, SEEK_CUR, self); }
    static sf_count_t read(void* into, sf_count_t count, void* self) {
        sf_count_t done = 0;
        while (done < count) {
            const ssize_t n = ::read(of(self).fd_, static_cast<char*>(into) + done,
                                     static_cast<size_t>(count - done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) failed(self);
            if (n <= 0) break;
            done += n;
        }
        return done;
    }
    static sf_count_t write(const void* from, sf_count_t count, void* self) {
        sf_count_t done = 0;
        while (done < count) {
            const ssize_t n = ::write(of(self).fd_, static_cast<const char*>(from) + done,
                                      static_cast<size_t>(count - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n == 0) errno = EIO;  // no progress: give up rather than spin
                failed(self);
                break;
            }
            done += n;
        }
        return done;
    }
};

std::string WavWriter::reason(void* file) const {
    return "cannot write " + name_ + ": " +
           (systemError_ ? std::strerror(systemError_) : sf_strerror(static_cast<SNDFILE*>(file)));
}

std::optional<std::string> WavWriter::open(int fd, int rate, const std::string& shownName) {
    close();
    fd_ = fd;
    name_ = shownName;
    failed_ = false;
    systemError_ = 0;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = (isFlacName(name_) ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
    static SF_VIRTUAL_IO io{Io::length, Io::seek, Io::read, Io::write, Io::tell};
    SNDFILE* f = sf_open_virtual(&io, SFM_WRITE, &info, this);
    if (!f) {
        const std::string why = reason(nullptr);
        close();
        return why;
    }
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file_ = f;
    return std::nullopt;
}

std::optional<std::string> WavWriter::open(const std::string& path, int rate) {
    close();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return "cannot write " + path + ": " + std::strerror(errno);
    const auto error = open(fd, rate, path);
    if (error)
        ::close(fd);
    else
        ownsFd_ = true;
    return error;
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
    std::optional<std::string> error;
    if (auto* f = static_cast<SNDFILE*>(file_)) {
        file_ = nullptr;
        const std::string writeFailure = failed_ ? reason(f) : std::string();
        // The last of a FLAC stream is written here, so this too can fail.
        const bool closed = sf_close(f) == 0;
        if (systemError_)
            error = reason(nullptr);
        else if (failed_)
            error = writeFailure;
        else if (!closed)
            error = "cannot write " + name_;
    }
    if (ownsFd_ && fd_ >= 0 && ::close(fd_) != 0 && !error)
        error = "cannot write " + name_ + ": " + std::strerror(errno);
    fd_ = -1;
    ownsFd_ = false;
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
