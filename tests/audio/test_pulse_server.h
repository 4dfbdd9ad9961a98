#pragma once
// A PulseAudio server with a null sink and a socket of the test's own, started and
// stopped by its process id. Clients reach it with PULSE_SERVER=address().

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "test_jack_server.h"  // within30s

namespace pattaplex {

class TestPulseServer {
  public:
    TestPulseServer()
        : folder_(std::filesystem::temp_directory_path() /
                  ("pattaplex-pulse-" + std::to_string(getpid()))) {}
    ~TestPulseServer() {
        stop();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    TestPulseServer(const TestPulseServer&) = delete;
    TestPulseServer& operator=(const TestPulseServer&) = delete;

    std::string address() const { return "unix:" + socket(); }

    // Starts it and waits for its socket; false when it cannot run here.
    bool start() {
        std::filesystem::create_directories(folder_);
        const std::string script = (folder_ / "null.pa").string();
        // The socket comes last: a client that finds it finds the sink.
        std::ofstream(script) << "load-module module-null-sink sink_name=test\n"
                              << "set-default-sink test\n"
                              << "load-module module-native-protocol-unix socket=" << socket()
                              << " auth-anonymous=1\n";
        std::filesystem::remove(socket());
        std::fflush(nullptr);  // else the child writes out our buffered output too
        pid_ = fork();
        if (pid_ == 0) {
            silenceOutput();
            setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
            setenv("HOME", folder_.c_str(), 1);
            // No session bus to look for: the server's own thread would wait on it.
            setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
            // No session bus to look for: the server's own thread would wait on it.
            setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
            execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                   "--use-pid-file=no", "-F", script.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid_ < 0) return false;
        const bool settled = within30s(
            [&] {
                if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                    pid_ = -1;
                    return true;
                }
                return std::filesystem::exists(socket());
            },
            [] {});
        // The server answers on its socket a moment before it serves streams: one that
        // connects at once is never asked for more than its first buffer.
        if (settled && pid_ > 0) std::this_thread::sleep_for(std::chrono::seconds(1));
        return settled && pid_ > 0;
    }

    void stop() { endServer(pid_); }

  private:
    std::string socket() const { return (folder_ / "native").string(); }

    std::filesystem::path folder_;
    pid_t pid_ = -1;
};

}  // namespace pattaplex
