// Pattaplex in a Link session with another peer (a program of its own), inside a network
// namespace that holds only loopback: tempo both ways, the peer's start on the next bar
// line with the first step's host time on it, the stop, our start, and the quantum.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "GrooveSnapshot.h"
#include "LinkClock.h"
#include "link_test_support.h"

namespace pattaplex {
namespace {

constexpr int kRate = 48000;
constexpr int kBlock = 256;
constexpr double kLatency = 0.005;

bool within20s(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// An audio thread as a sound device runs one: blocks of 256 samples at 48 kHz at the pace
// of the clock, each reading the session and playing the steps due in it. Every onset is
// kept with the host time it reaches the speaker.
class Player : NoteSink {
  public:
    explicit Player(LinkSession& session) : session_(session) {
        setBeats(4);
        thread_ = std::thread([this] { loop(); });
    }
    ~Player() override {
        done_ = true;
        thread_.join();
    }
    // A groove of one bar of `beats` beats, two steps a beat, every step on.
    void setBeats(int beats) {
        GrooveState s;
        std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(1, beats, 2, 120);
        s.row(1).DV = 100;
        s.row(1).BUF.fill(1);
        s.row(1).VOL.fill(100);
        std::lock_guard lock(mutex_);
        groove_ = GrooveSnapshot::of(s);
        quantum_ = beats;
    }
    bool running() const { return running_; }
    // Host times of the step-0 onsets since the last start.
    std::vector<double> barOnsets() {
        std::lock_guard lock(mutex_);
        return barOnsets_;
    }

  private:
    const GrooveSnapshot* groove() override { return &groove_; }
    void playStepNote(int64_t on, int64_t, int, int) override {
        // The clock's cursor is still on the step it plays.
        if (clock_.nextStep() == 0)
            barOnsets_.push_back(block_.heardMicros +
                                 static_cast<double>(on - start_) * 1e6 / kRate);
    }
    void loop() {
        const auto begin = std::chrono::steady_clock::now();
        for (int64_t k = 0; !done_; ++k) {
            std::this_thread::sleep_until(begin +
                                          std::chrono::microseconds(k * kBlock * 1000000 / kRate));
            std::lock_guard lock(mutex_);
            start_ = k * kBlock;
            block_ = session_.capture(start_, kRate, kLatency, quantum_);
            if (link_.run(block_, start_, kBlock, kRate, quantum_, clock_, *this) ==
                LinkClock::Change::Started)
                barOnsets_.clear();
            running_ = clock_.running();
        }
    }

    LinkSession& session_;
    std::mutex mutex_;
    GrooveSnapshot groove_;
    double quantum_ = 4;
    StepClock clock_{kRate};
    LinkClock link_;
    LinkSession::Block block_;
    int64_t start_ = 0;
    std::vector<double> barOnsets_;
    std::atomic<bool> running_{false}, done_{false};
    std::thread thread_;
};

class LinkSessionTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!inPrivateNetwork()) GTEST_SKIP() << "Link runs only in a network of its own (ctest)";
    }
};

TEST_F(LinkSessionTest, TempoStartAndStopAreSharedWithAPeerAndBarsLineUp) {
    LinkSession session;
    session.enable(true);
    Player player(session);
    LinkPeer peer(LINK_PEER);
    ASSERT_EQ(peer.ask("peers 1"), "peers 1");
    ASSERT_TRUE(within20s([&] { return session.peers() == 1; }));

    // The peer sets 133 BPM and we follow; our 180 reaches the peer.
    ASSERT_EQ(peer.ask("tempo 133"), "ok");
    EXPECT_TRUE(within20s([&] { return std::abs(session.tempo() - 133) < 0.01; }));
    session.requestTempo(180);
    EXPECT_NEAR(peer.number("wait-tempo 180"), 180, 0.01);

    // The peer's start: our first step waits for the next bar line and reaches the
    // speaker on it, as do the bars after it.
    const double pressed = peer.number("now");
    ASSERT_EQ(peer.ask("start 4"), "ok");
    ASSERT_TRUE(within20s([&] { return player.barOnsets().size() >= 2; }));
    const std::vector<double> bars = player.barOnsets();
    EXPECT_GE(bars[0], pressed);
    EXPECT_LT(bars[0], pressed + 4 * 60e6 / 180);
    for (double t : bars) {
        const double phase = peer.number("phase " + std::to_string(t) + " 4");
        EXPECT_LT(offBarLine(phase, 4), 0.5e-3 * 180 / 60) << phase;  // half a millisecond
    }

    // The peer's stop stops us; our start and stop reach the peer.
    ASSERT_EQ(peer.ask("stop"), "ok");
    EXPECT_TRUE(within20s([&] { return !player.running(); }));
    session.requestPlaying(true);
    EXPECT_EQ(peer.ask("wait-playing 1"), "playing 1");
    EXPECT_TRUE(within20s([&] { return player.running(); }));
    session.requestPlaying(false);
    EXPECT_EQ(peer.ask("wait-playing 0"), "playing 0");
    EXPECT_TRUE(within20s([&] { return !player.running(); }));

    // Three beats a bar: a quantum of 3, our bars on the peer's bars of three.
    player.setBeats(3);
    ASSERT_EQ(peer.ask("start 3"), "ok");
    ASSERT_TRUE(within20s([&] { return player.barOnsets().size() >= 2; }));
    for (double t : player.barOnsets()) {
        const double phase = peer.number("phase " + std::to_string(t) + " 3");
        EXPECT_LT(offBarLine(phase, 3), 0.5e-3 * 180 / 60) << phase;
    }
    ASSERT_EQ(peer.ask("stop"), "ok");
}

}  // namespace
}  // namespace pattaplex
