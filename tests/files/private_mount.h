#pragma once
// A small file system of the test's own, to meet a full disk or a read-only one for real:
// a child process takes a mount namespace (with a user namespace when it is no superuser),
// mounts a tmpfs there and runs the case, which reports back in text.

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pattaplex::test {

namespace detail {

inline bool writeProcFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written;
}

inline bool enterPrivateMounts() {
    if (::unshare(CLONE_NEWNS) != 0) {
        const std::string uid = std::to_string(::geteuid()), gid = std::to_string(::getegid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
        writeProcFile("/proc/self/setgroups", "deny");
        if (!writeProcFile("/proc/self/uid_map", "0 " + uid + " 1") ||
            !writeProcFile("/proc/self/gid_map", "0 " + gid + " 1"))
            return false;
    }
    return ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

}  // namespace detail

// Runs `body` in a child process with a tmpfs of `kib` KiB mounted at the existing empty
// folder `at`, and gives back the text it returns; nothing when this system lets the test
// mount nothing. A case that crashes reports so in the text.
inline std::optional<std::string> withSmallFileSystem(const std::string& at, int kib,
                                                      const std::function<std::string()>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const std::string size = "size=" + std::to_string(kib) + "k";
        if (!detail::enterPrivateMounts() ||
            ::mount("tmpfs", at.c_str(), "tmpfs", 0, size.c_str()) != 0)
            ::_exit(77);
        const std::string said = body();
        const bool sent =
            ::write(pipeFds[1], said.data(), said.size()) == static_cast<ssize_t>(said.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return said + "(the case's process ended abnormally, status " + std::to_string(status) +
               ")";
    return said;
}

// The sorted names in `folder`, with spaces between: what a case reports of a folder.
inline std::string namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& n : names) joined += (joined.empty() ? "" : " ") + n;
    return joined;
}

// Makes the small file system read-only; false when it cannot.
inline bool makeReadOnly(const std::string& at) {
    return ::mount(nullptr, at.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

}  // namespace pattaplex::test
