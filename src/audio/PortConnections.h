#pragma once
// The connections between the program's ports and others' (a synth on "midi_out", a clock
// on "midi_in", the speakers), as the user left them. Kept while the sound device is
// closed and opened again, by Fix Sound or after its server came back, so that every
// connection is made again. Written by the server's notification thread, read by the main
// thread; never touched by the audio thread.

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace pattaplex {

class PortConnections {
  public:
    using Connection = std::pair<std::string, std::string>;  // from an output to an input

    void made(const std::string& from, const std::string& to) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (std::find(list_.begin(), list_.end(), Connection{from, to}) == list_.end())
            list_.emplace_back(from, to);
    }
    void broken(const std::string& from, const std::string& to) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::erase(list_, Connection{from, to});
    }
    std::vector<Connection> list() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return list_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<Connection> list_;
};

}  // namespace pattaplex
