// Milliseconds from launching the drum machine to the first drawing of its grid, the
// median of several launches. Run it where there is a display, e.g.
//   xvfb-run -a build/release/bench/startup/startup_bench [runs] [program]
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

extern char** environ;

namespace {

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// One launch: the milliseconds until the program reports its first paint, or -1.
double launchOnce(const char* program) {
    int out[2];
    if (pipe(out) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.emplace_back("PATTAPLEX_STARTUP_PROBE=1");
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program), nullptr};

    pid_t child = 0;
    const long long launched = monotonicNanoseconds();
    const int failed = posix_spawn(&child, program, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (failed) {
        close(out[0]);
        std::fprintf(stderr, "cannot start %s: %s\n", program, std::strerror(failed));
        return -1;
    }

    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, size_t(got));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);

    const size_t at = text.find("first-paint ");
    if (at == std::string::npos) return -1;
    const long long painted = std::atoll(text.c_str() + at + 12);
    return double(painted - launched) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    const char* program = argc > 2 ? argv[2] : PATTAPLEX_PROGRAM;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double ms = launchOnce(program);
        if (ms < 0) {
            std::fprintf(stderr, "launch %d did not report a first paint (is there a display?)\n",
                         i + 1);
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("launch to first painted frame: median %.1f ms (min %.1f, max %.1f, %d launches)\n",
                times[times.size() / 2], times.front(), times.back(), runs);
    return 0;
}
