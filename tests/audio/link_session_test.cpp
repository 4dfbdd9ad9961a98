// Pattaplex in a Link session with another peer (a program of its own), inside a network
// namespace that holds only loopback: tempo both ways, the peer's start on the next bar
// line with the first step's host time on it, the stop, our start, and the quantum.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "GrooveSnapshot.h"
#include "NoteOutput.h"
#include "Scheduler.h"
#include "fresh_start.h"
#include "link_test_support.h"

namespace pattaplex {
namespace {

constexpr int kRate = 48000;
constexpr int kBlock = 256;
constexpr double kLatency = 0.005;
// Half the synthesizer's block of 64 samples, in beats at 180 BPM (notes start on its
// grid), and a tenth of a millisecond for the fit of our sample clock to the host's.
constexpr double kGrid = (32.0 / kRate + 1e-4) * 180 / 60;

bool within20s(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// An audio thread as a sound device runs one: blocks of 256 samples at 48 kHz at the pace
// of the clock through the scheduler following the session. The onsets of step 0 (the
// only step of note 36) are kept with the host time they reach the speaker. A `wobbly`
// thread is woken up to 2 ms late, as on a busy machine.
class Player {
  public:
    explicit Player(LinkSession& session, bool following = true, bool wobbly = false)
        : session_(session), scheduler_(kRate, 64, options_), wobbly_(wobbly) {
        options_.sync = following ? SyncSource::Link : SyncSource::Internal;
        options_.latency = kLatency;
        scheduler_.setLink(&session);
        setBeats(4);
        thread_ = std::thread([this] { loop(); });
    }
    ~Player() {
        done_ = true;
        thread_.join();
    }
    // A groove of one bar of `beats` beats, two steps a beat: note 36 on step 0, 38 on the
    // others.
    void setBeats(int beats) {
        GrooveState s;
        std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(1, beats, 2, 120);
        std::tie(s.row(1).DR, s.row(1).DV, s.row(2).DR, s.row(2).DV) =
            std::make_tuple(36, 100, 38, 100);
        s.row(1).BUF[0] = 1;
        std::fill(s.row(2).BUF.begin() + 1, s.row(2).BUF.end(), 1);
        s.row(1).VOL.fill(100);
        s.row(2).VOL.fill(100);
        scheduler_.publish(GrooveSnapshot::of(s));
    }
    void command(NoteCommand::Kind kind) {
        NoteCommand c;
        c.kind = kind;
        scheduler_.send(c);
    }
    bool running() const { return scheduler_.report().running; }
    void follow(bool on) { options_.sync = on ? SyncSource::Link : SyncSource::Internal; }
    // Sample times of every onset so far, and of every MIDI clock tick.
    std::vector<int64_t> onsets() {
        std::lock_guard lock(mutex_);
        return onsets_;
    }
    std::vector<int64_t> ticks() {
        std::lock_guard lock(mutex_);
        return ticks_;
    }
    // MIDI Start, Continue and Stop messages so far.
    int transportMessages() {
        std::lock_guard lock(mutex_);
        return transportMessages_;
    }
    std::vector<double> barOnsets() {
        std::lock_guard lock(mutex_);
        return barOnsets_;
    }
    void forgetOnsets() {
        std::lock_guard lock(mutex_);
        barOnsets_.clear();
        barSamples_.clear();
        ticks_.clear();
    }
    // MIDI clock ticks from the first bar onset kept to the second. The ticks are exact and
    // the notes on the synthesizer's grid, so the bar's first tick may lie up to half a
    // grid after or before its note: the count starts and ends a little earlier.
    int ticksInFirstBar() {
        std::lock_guard lock(mutex_);
        if (barSamples_.size() < 2) return -1;
        constexpr int64_t early = 32 + 8;
        return static_cast<int>(std::count_if(ticks_.begin(), ticks_.end(), [&](int64_t t) {
            return t >= barSamples_[0] - early && t < barSamples_[1] - early;
        }));
    }

  private:
    void loop() {
        const auto begin = std::chrono::steady_clock::now();
        for (int64_t k = 0; !done_; ++k) {
            const int64_t late = wobbly_ ? (k * 7919 % 5) * 500 : 0;
            std::this_thread::sleep_until(
                begin + std::chrono::microseconds(k * kBlock * 1000000 / kRate + late));
            for (const TimedEvent& e : scheduler_.beginBlock(kBlock)) {
                std::lock_guard lock(mutex_);
                if (e.kind == TimedEvent::Kind::Clock) ticks_.push_back(e.time);
                if (e.kind == TimedEvent::Kind::Start || e.kind == TimedEvent::Kind::Continue ||
                    e.kind == TimedEvent::Kind::Stop)
                    ++transportMessages_;
                if (e.kind != TimedEvent::Kind::NoteOn) continue;
                onsets_.push_back(e.time);
                if (e.key == 36) barOnsets_.push_back(session_.heardMicros(e.time));
                if (e.key == 36) barSamples_.push_back(e.time);
            }
            scheduler_.endBlock();
        }
    }

    LinkSession& session_;
    MidiOptions options_;
    Scheduler scheduler_;
    std::mutex mutex_;
    std::vector<double> barOnsets_;
    std::vector<int64_t> onsets_;
    std::vector<int64_t> barSamples_, ticks_;
    int transportMessages_ = 0;
    bool wobbly_;
    std::atomic<bool> done_{false};
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
    // speaker on it, as do the bars after it (to the synthesizer's 64-sample grid).
    player.forgetOnsets();
    const double pressed = peer.number("now");
    ASSERT_EQ(peer.ask("start 4"), "ok");
    ASSERT_TRUE(within20s([&] { return player.barOnsets().size() >= 2; }));
    const std::vector<double> bars = player.barOnsets();
    EXPECT_GE(bars[0], pressed);
    EXPECT_LT(bars[0], pressed + 4 * 60e6 / 180);
    for (double t : bars) {
        const double phase = peer.number("phase " + std::to_string(t) + " 4");
        EXPECT_LT(offBarLine(phase, 4), kGrid) << phase;
    }
    EXPECT_EQ(player.ticksInFirstBar(), 4 * 24);  // MIDI clock on the session's beats

    // The peer's stop stops us; our start and stop reach the peer.
    ASSERT_EQ(peer.ask("stop"), "ok");
    EXPECT_TRUE(within20s([&] { return !player.running(); }));
    player.command(NoteCommand::Kind::Start);
    EXPECT_EQ(peer.ask("wait-playing 1"), "playing 1");
    EXPECT_TRUE(within20s([&] { return player.running(); }));
    player.command(NoteCommand::Kind::Stop);
    EXPECT_EQ(peer.ask("wait-playing 0"), "playing 0");
    EXPECT_TRUE(within20s([&] { return !player.running(); }));

    // Three beats a bar: a quantum of 3, our bars on the peer's bars of three.
    player.setBeats(3);
    player.forgetOnsets();
    ASSERT_EQ(peer.ask("start 3"), "ok");
    ASSERT_TRUE(within20s([&] { return player.barOnsets().size() >= 2; }));
    for (double t : player.barOnsets()) {
        const double phase = peer.number("phase " + std::to_string(t) + " 3");
        EXPECT_LT(offBarLine(phase, 3), kGrid) << phase;
    }
    EXPECT_EQ(player.ticksInFirstBar(), 3 * 24);
    ASSERT_EQ(peer.ask("stop"), "ok");
}

// Between the groove's own clock and a Link session playback goes on: alone, every step
// sounds where it would have, none dropped and none doubled, both ways, however late the
// audio thread wakes.
TEST_F(LinkSessionTest, SwitchingBetweenTheGroovesClockAndLinkPlaysOn) {
    LinkSession session;  // at 120 BPM, as the groove
    session.enable(true);
    Player player(session, false, true);
    player.command(NoteCommand::Kind::Start);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    player.follow(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_TRUE(session.playing());  // the session took over
    player.follow(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    const std::vector<int64_t> onsets = player.onsets();
    ASSERT_GE(onsets.size(), 8u);
    // A step of two a beat at 120 BPM is 12000 samples: each where the groove's own clock
    // would have put it, to half the synthesizer's grid of 64 and a third of a millisecond.
    for (size_t i = 1; i < onsets.size(); ++i)
        EXPECT_NEAR(onsets[i] - onsets[0], 12000 * static_cast<int64_t>(i), 32 + 16) << i;
    EXPECT_TRUE(player.running());
    // MIDI gear plays on too: the one Start, and a tick every 1000 samples throughout.
    EXPECT_EQ(player.transportMessages(), 1);
    const std::vector<int64_t> ticks = player.ticks();
    ASSERT_GE(ticks.size(), 100u);
    for (size_t i = 1; i < ticks.size(); ++i) EXPECT_NEAR(ticks[i] - ticks[i - 1], 1000, 16) << i;
}

// The main thread's half with the silent stand-in for a device: what the window hears of
// the session, and what it sends.
TEST_F(LinkSessionTest, TheWindowsSideSharesTempoStartAndStopAndCountsThePeers) {
    setenv("PATTAPLEX_AUDIO_DRIVER", "none", 1);
    struct Listener : ClockListener {
        void stepSounded(int) override {}
        void loopWrapping() override {}
        void followedTempo(double bpm) override { tempo = bpm; }
        void followedTransport(bool on, const std::string&) override { playing = on; }
        void linkPeers(int n) override { peers = n; }
        double tempo = 0;
        bool playing = false;
        int peers = -1;
    } heard;
    GrooveState s = freshStartState();
    s.TEMPO = 120;
    NoteOutput output(s);
    output.setListener(&heard);
    output.setMidi({.sync = SyncSource::Link});
    auto pumpedUntil = [&](const std::function<bool()>& done) {
        return within20s([&] {
            output.pump();
            return done();
        });
    };
    LinkPeer peer(LINK_PEER);
    ASSERT_EQ(peer.ask("peers 1"), "peers 1");
    EXPECT_TRUE(pumpedUntil([&] { return heard.peers == 1; }));

    ASSERT_EQ(peer.ask("tempo 133"), "ok");
    EXPECT_TRUE(pumpedUntil([&] { return std::abs(heard.tempo - 133) < 0.05; }));
    s.TEMPO = 150;  // as the window's tempo controls set it
    output.pump();
    EXPECT_NEAR(peer.number("wait-tempo 150"), 150, 0.01);

    output.startClock();
    EXPECT_EQ(peer.ask("wait-playing 1"), "playing 1");
    EXPECT_TRUE(pumpedUntil([&] { return output.position().playing; }));
    ASSERT_EQ(peer.ask("stop"), "ok");
    EXPECT_TRUE(pumpedUntil([&] { return !output.clockRunning() && !heard.playing; }));
    ASSERT_EQ(peer.ask("start 4"), "ok");
    EXPECT_TRUE(pumpedUntil([&] { return output.clockRunning() && heard.playing; }));
    output.stopClock();
    EXPECT_EQ(peer.ask("wait-playing 0"), "playing 0");
}

}  // namespace
}  // namespace pattaplex
