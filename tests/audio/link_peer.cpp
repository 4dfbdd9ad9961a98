// Another peer of a Link session, for the Link tests and benchmark: reads one command a
// line on standard input and answers each with one line on standard output.
//
//   peers N          waits (up to 10 s) for N peers; answers "peers <count>"
//   tempo BPM        sets the session's tempo; "ok"
//   wait-tempo BPM   waits for the tempo to come within 0.01 of BPM; "tempo <tempo>"
//   start Q          starts the transport, beat 0 on the next bar of Q beats; "ok"
//   stop             stops it; "ok"
//   wait-playing 0|1 waits for the transport to stop or start; "playing <0|1>"
//   phase T Q        the phase at host time T (microseconds) in bars of Q; "phase <phase>"
//   now              host time now; "now <micros>"
//   quit

#include <ableton/Link.hpp>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace {

bool within10s(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace

int main() {
    ableton::Link link(120);
    link.enableStartStopSync(true);
    link.enable(true);
    auto now = [&] { return link.clock().micros(); };
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command;
        in >> command;
        std::ostringstream out;
        auto state = link.captureAppSessionState();
        if (command == "peers") {
            size_t want = 0;
            in >> want;
            within10s([&] { return link.numPeers() >= want; });
            out << "peers " << link.numPeers();
        } else if (command == "tempo") {
            double bpm = 0;
            in >> bpm;
            state.setTempo(bpm, now());
            link.commitAppSessionState(state);
            out << "ok";
        } else if (command == "wait-tempo") {
            double bpm = 0;
            in >> bpm;
            within10s([&] { return std::abs(link.captureAppSessionState().tempo() - bpm) < 0.01; });
            out << "tempo " << link.captureAppSessionState().tempo();
        } else if (command == "start") {
            double quantum = 4;
            in >> quantum;
            state.setIsPlayingAndRequestBeatAtTime(true, now(), 0, quantum);
            link.commitAppSessionState(state);
            out << "ok";
        } else if (command == "stop") {
            state.setIsPlaying(false, now());
            link.commitAppSessionState(state);
            out << "ok";
        } else if (command == "wait-playing") {
            int want = 0;
            in >> want;
            within10s([&] { return link.captureAppSessionState().isPlaying() == (want == 1); });
            out << "playing " << (link.captureAppSessionState().isPlaying() ? 1 : 0);
        } else if (command == "phase") {
            double micros = 0, quantum = 4;
            in >> micros >> quantum;
            const auto t = std::chrono::microseconds(std::llround(micros));
            // Between microseconds: the phase moves on by the fraction.
            const double beatsPerMicro = state.tempo() / 60e6;
            out.precision(9);
            out << "phase "
                << std::fmod(state.phaseAtTime(t, quantum) +
                                 (micros - static_cast<double>(t.count())) * beatsPerMicro,
                             quantum);
        } else if (command == "now") {
            out << "now " << now().count();
        } else if (command == "quit") {
            break;
        } else {
            out << "unknown " << command;
        }
        std::cout << out.str() << std::endl;
    }
    link.enable(false);
    return 0;
}
