#pragma once
// A JACK dummy server under a name of the test's own, started and stopped by its process
// id, for tests that play through JACK. Clients reach it with JACK_DEFAULT_SERVER.

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace pattaplex {

// In a forked child before exec: its output goes nowhere.
inline void silenceOutput() {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0) return;
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    close(null);
}

// Ends a test server in order and waits for it, so its name and slot are free again.
inline void endServer(pid_t& pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

// Calls `tick` until `done` holds, for at most 30 s; true when it did.
inline bool within30s(const std::function<bool()>& done, const std::function<void()>& tick) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class TestJackServer {
  public:
    explicit TestJackServer(std::string name, int rate = 48000)
        : name_(std::move(name)), rate_(std::to_string(rate)) {}
    ~TestJackServer() { stop(); }
    TestJackServer(const TestJackServer&) = delete;
    TestJackServer& operator=(const TestJackServer&) = delete;

    const std::string& name() const { return name_; }

    // Starts it and waits until clients can connect; false when it cannot run here.
    bool start() {
        // JACK 1 keeps its metadata under the default server's folder whatever the name,
        // and its server crashes at the second client when that folder is missing.
        std::error_code ignored;
        std::filesystem::create_directories(
            "/dev/shm/jack-" + std::to_string(getuid()) + "/default", ignored);
        std::fflush(nullptr);  // else the child's stdout, reopened, writes out our buffer too
        pid_ = fork();
        if (pid_ == 0) {
            silenceOutput();
            execlp("jackd", "jackd", "--no-realtime", "-n", name_.c_str(), "-d", "dummy", "-r",
                   rate_.c_str(), "-p", "256", static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid_ < 0) return false;
        const bool settled = within30s(
            [&] {
                if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                    pid_ = -1;  // it gave up
                    return true;
                }
                jack_client_t* probe = open();
                if (probe) jack_client_close(probe);
                return probe != nullptr;
            },
            [] {});
        return settled && pid_ > 0;
    }

    // An orderly end, as a user's or a session's stop brings: every client is told.
    // (JACK 1 keeps a killed server's slot until the machine restarts, and has eight.)
    void stop() { endServer(pid_); }

    // The ports of the client `client` on the server, and how many of them are connected;
    // -1s when the server cannot be reached.
    std::pair<int, int> portsOf(const std::string& client) const {
        jack_client_t* probe = open();
        if (!probe) return {-1, -1};
        int ports = 0, connected = 0;
        const std::string pattern = "^" + client + ":";
        if (const char** names = jack_get_ports(probe, pattern.c_str(), nullptr, 0)) {
            for (const char** n = names; *n; ++n) {
                ++ports;
                const char** peers =
                    jack_port_get_all_connections(probe, jack_port_by_name(probe, *n));
                connected += peers != nullptr;
                jack_free(peers);
            }
            jack_free(names);
        }
        jack_client_close(probe);
        return {ports, connected};
    }

  private:
    jack_client_t* open() const {
        jack_status_t why{};
        return jack_client_open("test-probe", JackOptions(JackNoStartServer | JackServerName), &why,
                                name_.c_str());
    }

    std::string name_;
    std::string rate_;
    pid_t pid_ = -1;
};

}  // namespace pattaplex
