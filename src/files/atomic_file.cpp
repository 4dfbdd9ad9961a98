#include "atomic_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "temp_file.h"

namespace pattaplex {

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The process's file-creation mask, read without changing it (setting it to read it
// would race with other threads creating files).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    return 022;
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

// Why a file the user may not write, or made read-only for everyone, stays as it is,
// even for the superuser whom the permission check lets through; 0 when it may be replaced.
int writeDenied(const std::string& target, const struct stat& info) {
    if (::access(target.c_str(), W_OK) != 0) return errno == EACCES || errno == EROFS ? errno : 0;
    return (info.st_mode & 0222) == 0 ? EACCES : 0;
}

}  // namespace

std::string saveError(const std::string& path, const std::string& reason) {
    return "Cannot save \"" + path + "\": " + reason + ".";
}

std::string saveError(const std::string& path, int error) {
    return saveError(path, std::strerror(error));
}

Status replaceFileWith(const std::string& path, const TempFileWriter& fill) {
    const std::string target = finalTarget(path);
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (const int denied = replacing ? writeDenied(target, old) : 0)
        return failure(saveError(path, denied));

    const std::string folder = folderOf(target);
    sweepStaleTempFiles(folder);
    // A file being replaced keeps its permissions; a new one gets those of any new file.
    TempFile temp;
    if (const int error =
            temp.create(folder, replacing ? old.st_mode & 07777 : 0666 & ~currentUmask()))
        return failure(saveError(path, error));
    if (Status filled = fill(temp.fd(), temp.path()); !filled) return filled;
    if (const int error = temp.replace(target)) return failure(saveError(path, error));
    syncFolder(target);
    return {};
}

Status replaceFile(const std::string& path, std::string_view contents) {
    return replaceFileWith(path, [&](int fd, const std::string&) -> Status {
        if (!writeAll(fd, contents)) return failure(saveError(path, errno));
        return {};
    });
}

}  // namespace pattaplex
