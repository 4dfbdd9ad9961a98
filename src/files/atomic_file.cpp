#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

namespace pattaplex {

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A new, empty, hidden file beside `path`; the mode follows the umask like any new file.
int createTempBeside(const std::string& path, std::string& tempPath) {
    thread_local std::mt19937 generator{std::random_device{}()};
    const std::string stem = folderOf(path) + "/." + nameOf(path) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = stem + std::to_string(generator() % 1000000) + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;  // no progress: give up rather than spin
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Makes the rename itself durable; a folder that cannot be synced is no failure.
void syncFolder(const std::string& path) {
    const int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Saving through a symbolic link replaces the file it leads to and keeps the link.
std::string finalTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : path;  // a dangling link is replaced
}

}  // namespace

std::string saveError(const std::string& path, int error) {
    return "Cannot save \"" + path + "\": " + std::strerror(error) + ".";
}

std::optional<std::string> replaceFileWith(const std::string& path, const TempFileWriter& fill) {
    const std::string target = finalTarget(path);
    std::string tempPath;
    const int fd = createTempBeside(target, tempPath);
    if (fd < 0) return saveError(path, errno);

    // A file being replaced keeps its permissions.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);

    std::optional<std::string> failure = fill(fd, tempPath);
    if (!failure && ::fsync(fd) != 0) failure = saveError(path, errno);
    if (::close(fd) != 0 && !failure) failure = saveError(path, errno);
    if (!failure && ::rename(tempPath.c_str(), target.c_str()) != 0)
        failure = saveError(path, errno);
    if (failure) {
        ::unlink(tempPath.c_str());
        return failure;
    }
    syncFolder(target);
    return std::nullopt;
}

std::optional<std::string> replaceFile(const std::string& path, std::string_view contents) {
    return replaceFileWith(path, [&](int fd, const std::string&) -> std::optional<std::string> {
        if (!writeAll(fd, contents)) return saveError(path, errno);
        return std::nullopt;
    });
}

}  // namespace pattaplex
