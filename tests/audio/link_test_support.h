#pragma once
// For the Link tests and benchmark: whether this process sits in a network of its own, and
// a peer program to talk to, one line at a time.

#include <ifaddrs.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace pattaplex {

// True when the only network interface is loopback: Link may run here without reaching
// the machine's own network.
inline bool inPrivateNetwork() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool alone = true;
    for (ifaddrs* i = list; i; i = i->ifa_next)
        alone = alone && std::strcmp(i->ifa_name, "lo") == 0;
    freeifaddrs(list);
    return alone;
}

// Distance of `phase` from the nearest bar line, in beats.
inline double offBarLine(double phase, double quantum) {
    const double p = std::fmod(std::fmod(phase, quantum) + quantum, quantum);
    return std::min(p, quantum - p);
}

class LinkPeer {
  public:
    explicit LinkPeer(const char* program) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]), close(out[0]);
            execl(program, program, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]), close(out[1]);
        to_ = in[1];
        from_ = out[0];
    }
    ~LinkPeer() {
        if (pid_ <= 0) return;
        ask("quit");
        close(to_), close(from_);
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    LinkPeer(const LinkPeer&) = delete;
    LinkPeer& operator=(const LinkPeer&) = delete;

    // Sends one command; its answer without the newline, "" when none came in 20 s.
    std::string ask(const std::string& command) {
        const std::string line = command + "\n";
        if (write(to_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return "";
        std::string answer;
        char c = 0;
        pollfd p{from_, POLLIN, 0};
        while (poll(&p, 1, 20000) == 1 && read(from_, &c, 1) == 1 && c != '\n') answer += c;
        return answer;
    }
    // The number after the answer's first word.
    double number(const std::string& command) {
        const std::string a = ask(command);
        const size_t space = a.find(' ');
        return space == std::string::npos ? NAN : std::atof(a.c_str() + space + 1);
    }

  private:
    pid_t pid_ = -1;
    int to_ = -1, from_ = -1;
};

}  // namespace pattaplex
