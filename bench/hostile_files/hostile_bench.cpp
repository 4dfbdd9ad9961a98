// How long the groove and drum-set readers take to accept or refuse files made to harm
// them, and how far each one makes the process grow. Every file is read in a child
// process of its own, so that each peak is that file's alone. Targets: every file under
// 1 MiB is decided within 100 ms, and no file makes the process grow past 100 MB.
//
//   build/release/bench/hostile_files/hostile_bench [repeats]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "groove_files.h"
#include "hostile_plists.h"
#include "integer_plist.h"

using namespace pattaplex;

namespace {

struct Case {
    const char* name;
    std::string bytes;
};

struct Figures {
    double milliseconds = 0;  // slowest of the repeats
    long grownKiB = 0;        // peak resident size above the size before reading
    long peakKiB = 0;
    int accepted = 0;  // readers that took the file: 0, 1 (drum set or groove) or 2
};

long peakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Both readers on the bytes, in a child that reports its figures through a pipe.
bool measure(const std::string& bytes, int repeats, Figures& out) {
    int channel[2];
    if (pipe(channel) != 0) return false;
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        close(channel[0]);
        alarm(30);  // a reader that hangs ends the child rather than the bench
        Figures f;
        const long before = peakKiB();
        for (int r = 0; r < repeats; ++r) {
            const auto start = std::chrono::steady_clock::now();
            f.accepted = static_cast<int>(grooveFromBytes(bytes).ok()) +
                         static_cast<int>(drumSetFromBytes(bytes).ok());
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            if (took.count() > f.milliseconds) f.milliseconds = took.count();
        }
        f.peakKiB = peakKiB();
        f.grownKiB = f.peakKiB - before;
        const bool sent = write(channel[1], &f, sizeof f) == static_cast<ssize_t>(sizeof f);
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    const bool got = read(channel[0], &out, sizeof out) == static_cast<ssize_t>(sizeof out);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A groove of 2 x 4 x 2 steps followed by `extra` more integers (accepted while the whole
// fits the readers' limit on entries).
std::string longGroove(size_t extra) {
    std::vector<int32_t> values(186 + extra, 1);
    values[0] = 666, values[1] = 2, values[2] = 4, values[3] = 2;
    return integerArrayXml(values);
}

// One array of `count` one-byte references to a single integer.
std::string manyReferences(size_t count) {
    return hostile::binaryList(
        {hostile::arrayObject(std::vector<uint64_t>(count, 1), 1), hostile::integerObject(7)}, 1);
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // Each further integer takes 22 bytes of XML: as many as stay under 1 MiB.
    const std::string bigXml = longGroove((kMaxPlistFileBytes - 10'000) / 22);
    const std::string longestXml = longGroove(kMaxPlistEntries - 186);
    const std::vector<Case> cases = {
        {"shared references, binary, 2^40", hostile::sharedReferences(40)},
        {"nested 60,000 deep, binary", hostile::deepBinary(60000)},
        {"nested 60,000 deep, XML", hostile::deepXml(60000)},
        {"16-byte integer, binary", hostile::wideInteger()},
        {"1,024 references to one integer", manyReferences(1024)},
        {"65,536 references to one integer", manyReferences(65536)},
        {"1,000,000 references to one integer", manyReferences(1'000'000)},
        {"groove of the longest array taken, XML", longestXml},
        {"groove with integers up to 1 MiB, XML", bigXml},
        {"1 MiB of white space", std::string(kMaxPlistFileBytes, ' ')},
    };
    std::printf("%-40s %9s %12s %10s %9s  %s\n", "file", "bytes", "slowest ms", "grown MB",
                "peak MB", "taken by");
    for (const Case& c : cases) {
        Figures f;
        if (!measure(c.bytes, repeats, f)) {
            std::printf("%-40s %9zu  did not finish (crashed, hung or ran out of memory)\n", c.name,
                        c.bytes.size());
            continue;
        }
        static const char* const taken[] = {"refused", "one reader", "both readers"};
        std::printf("%-40s %9zu %12.2f %10.1f %9.1f  %s\n", c.name, c.bytes.size(), f.milliseconds,
                    f.grownKiB / 1024.0, f.peakKiB / 1024.0, taken[f.accepted]);
    }
    return 0;
}
