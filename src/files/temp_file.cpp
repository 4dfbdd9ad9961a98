#include "temp_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace pattaplex {

namespace {

// Short, so that a target whose name is as long as the system allows can still be
// replaced: the prefix and six letters or digits.
constexpr std::string_view kPrefix = ".pattaplex-";
constexpr size_t kRandomLength = 6;
constexpr std::string_view kLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kNameTries = 100;

// A temporary file still without permissions is being set up by its writer; one left so
// for this long was abandoned before its writer could lock it.
constexpr time_t kAbandonedSetUpSeconds = 60;

std::string randomName() {
    unsigned char bytes[kRandomLength] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // Without the system's randomness, the time and process still vary the name;
        // the exclusive create below settles any clash.
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        unsigned long mix =
            static_cast<unsigned long>(now.tv_nsec) ^ static_cast<unsigned long>(::getpid()) << 20;
        for (unsigned char& b : bytes) b = static_cast<unsigned char>(mix >>= 5);
    }
    std::string name(kPrefix);
    for (unsigned char b : bytes) name += kLetters[b % kLetters.size()];
    return name;
}

bool isTempName(std::string_view name) {
    if (name.size() != kPrefix.size() + kRandomLength || name.substr(0, kPrefix.size()) != kPrefix)
        return false;
    return name.substr(kPrefix.size()).find_first_not_of(kLetters) == std::string_view::npos;
}

// The errors by which a system or file system says it has no unnamed files.
bool noUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

}  // namespace

TempFile::~TempFile() {
    discard();
}

int TempFile::create(const std::string& folder, mode_t mode) {
    discard();
    folder_ = folder;
    mode_ = mode;
    // While it is written its owner may always read and write it, whatever it ends with.
    const mode_t writing = mode | S_IRUSR | S_IWUSR;

    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, writing);
    if (fd_ >= 0) {
        path_ = "/proc/self/fd/" + std::to_string(fd_);
        // Without /proc it could be neither opened by name nor given one.
        if (::access(path_.c_str(), F_OK) == 0 && ::fchmod(fd_, writing) == 0) {
            ::flock(fd_, LOCK_EX);
            return 0;
        }
        ::close(fd_);
        fd_ = -1;
    } else if (!noUnnamedFiles(errno)) {
        return errno;
    }

    // A named one, created without permissions so that a sweep leaves it alone until it
    // is locked.
    for (int i = 0; i < kNameTries && fd_ < 0; ++i) {
        path_ = folder + "/" + randomName();
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0);
        if (fd_ < 0 && errno != EEXIST) return errno;
    }
    if (fd_ < 0) return EEXIST;
    name_ = path_;
    ::flock(fd_, LOCK_EX);
    return ::fchmod(fd_, writing) == 0 ? 0 : discardFor(errno);
}

int TempFile::nameBeside(const std::string& folder) {
    for (int i = 0; i < kNameTries; ++i) {
        std::string name = folder + "/" + randomName();
        if (::linkat(AT_FDCWD, path_.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            name_ = std::move(name);
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

int TempFile::replace(const std::string& target) {
    if (::fchmod(fd_, mode_) != 0 || ::fsync(fd_) != 0) return discardFor(errno);
    if (const int error = name_.empty() ? nameBeside(folder_) : 0) return discardFor(error);
    // The lock stays on a second descriptor until the file is in place, so that closing,
    // which reports some file systems' write errors, still comes before the rename.
    const int lock = ::dup(fd_);
    if (lock < 0) return discardFor(errno);
    const bool closed = ::close(fd_) == 0;
    const int closeError = errno;
    fd_ = lock;
    if (!closed) return discardFor(closeError);
    if (::rename(name_.c_str(), target.c_str()) != 0) return discardFor(errno);
    name_.clear();
    discard();
    return 0;
}

int TempFile::discardFor(int error) {
    discard();
    return error;
}

void TempFile::discard() {
    // Removed while still locked, so no sweep takes it for abandoned meanwhile.
    if (!name_.empty()) ::unlink(name_.c_str());
    name_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void sweepStaleTempFiles(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const int dirFd = ::dirfd(dir);
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        struct stat info {};
        if (!isTempName(name) || ::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
            continue;
        if ((info.st_mode & 07777) == 0) {  // still being set up, or abandoned then
            if (now - info.st_mtime > kAbandonedSetUpSeconds) ::unlinkat(dirFd, name, 0);
            continue;
        }
        // A writer holds its file locked as long as it lives.
        const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
            opened.st_ino == info.st_ino && opened.st_dev == info.st_dev)
            ::unlinkat(dirFd, name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

}  // namespace pattaplex
