// Link benchmark, run by hand; it runs only in a network of its own (loopback alone):
//   tests/audio/private_network.sh build/dev/bench/link/link_bench [--quick]
// At 44.1 and 48 kHz, Pattaplex's scheduler follows a Link session it shares with the
// peer program (tests/audio/link_peer) for 20 s (5 with --quick), at 123.7 BPM then, from
// halfway, 97.3 (the first 50 ms after the change left out). Every step's onset (the synthesizer's
// 64-sample grid included) is taken to the host time it reaches the speaker, as the audio side
// reckons it with its 5 ms output latency, and the peer tells its phase there on its grid of steps
// (a quarter beat). Prints the worst and the mean distance from the grid in milliseconds (target:
// under 2 ms).

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "GrooveSnapshot.h"
#include "LinkSession.h"
#include "Scheduler.h"
#include "link_test_support.h"

namespace {

using namespace pattaplex;
using Clock = std::chrono::steady_clock;

constexpr int kBlock = 256;
constexpr double kLatency = 0.005;

// Distance of each onset from the peer's grid of quarter beats, in ms at `tempo`. Asked
// while that tempo holds: a change of tempo redraws the whole timeline, the past too.
std::vector<double> errors(LinkPeer& peer, const std::vector<double>& onsets, double tempo) {
    std::vector<double> ms;
    for (double t : onsets) {
        const double phase = peer.number("phase " + std::to_string(t) + " 1");
        if (!std::isnan(phase)) ms.push_back(offBarLine(phase * 4, 1) / 4 * 60000 / tempo);
    }
    return ms;
}

// Plays a groove of one bar, four steps a beat, every step on, in real time at `rate`,
// and measures each onset's host time against the peer's grid.
std::vector<double> play(int rate, double seconds, LinkPeer& peer, LinkSession& session) {
    MidiOptions options;
    options.sync = SyncSource::Link;
    options.latency = kLatency;
    Scheduler scheduler(rate, 64, options);
    scheduler.setLink(&session);
    GrooveState s;
    std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(1, 4, 4, 120);
    std::tie(s.row(1).DR, s.row(1).DV) = std::make_tuple(36, 100);
    s.row(1).BUF.fill(1);
    s.row(1).VOL.fill(100);
    scheduler.publish(GrooveSnapshot::of(s));

    std::mutex mutex;
    std::vector<double> heard;
    std::atomic<bool> done{false};
    std::thread audio([&] {
        const auto begin = Clock::now();
        for (int64_t k = 0; !done; ++k) {
            std::this_thread::sleep_until(begin +
                                          std::chrono::microseconds(k * kBlock * 1000000 / rate));
            for (const TimedEvent& e : scheduler.beginBlock(kBlock)) {
                if (e.kind != TimedEvent::Kind::NoteOn) continue;
                std::lock_guard lock(mutex);
                heard.push_back(session.heardMicros(e.time));
            }
            scheduler.endBlock();
        }
    });
    auto taken = [&](double after) {
        std::lock_guard lock(mutex);
        std::vector<double> some;
        for (double t : heard)
            if (t > after) some.push_back(t);
        heard.clear();
        return some;
    };
    peer.ask("tempo 123.7");
    peer.ask("start 4");
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds / 2));
    std::vector<double> ms = errors(peer, taken(0), 123.7);
    // Onsets placed before the change reached us keep the old tempo's places: those of
    // the first 50 ms after it are left out.
    const double changed = peer.number("now");
    peer.ask("tempo 97.3");
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds / 2));
    const std::vector<double> later = errors(peer, taken(changed + 50000), 97.3);
    ms.insert(ms.end(), later.begin(), later.end());
    peer.ask("stop");
    done = true;
    audio.join();
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (!inPrivateNetwork()) {
        std::fprintf(stderr,
                     "link_bench: Link must not reach the machine's network; run it as\n"
                     "  %s %s%s\n",
                     PRIVATE_NETWORK, argv[0], quick ? " --quick" : "");
        return 2;
    }
    const double seconds = quick ? 5 : 20;
    for (int rate : {44100, 48000}) {
        LinkSession session;
        session.enable(true);
        LinkPeer peer(LINK_PEER);
        if (peer.ask("peers 1") != "peers 1") {
            std::fprintf(stderr, "link_bench: the peer was not found\n");
            return 1;
        }
        const std::vector<double> ms = play(rate, seconds, peer, session);
        double worst = 0, sum = 0;
        for (double off : ms) {
            worst = std::max(worst, off);
            sum += off;
        }
        const int counted = static_cast<int>(ms.size());
        // A peer's tempo reaching our session (the window's pump, every 10 ms, adds at
        // most that before the tempo field shows it).
        const auto asked = Clock::now();
        peer.ask("tempo 141.5");
        while (std::abs(session.tempo() - 141.5) > 0.01 &&
               Clock::now() - asked < std::chrono::seconds(5))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const double reached =
            std::chrono::duration<double, std::milli>(Clock::now() - asked).count();
        std::printf("Link: a peer's tempo reached us after %.1f ms (target: under 100 ms)\n",
                    reached);
        std::printf(
            "Link phase error at %d Hz: worst %.3f ms, mean %.3f ms over %d onsets "
            "(target: under 2 ms)\n",
            rate, worst, counted ? sum / counted : 0.0, counted);
    }
    return 0;
}
