// The audio side as the window's thread drives it: the groove handed over in snapshots,
// the transport, the passes infinite random prepares, and a render that never allocates.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "GrooveSnapshot.h"
#include "NoteOutput.h"
#include "OfflineRender.h"
#include "SpscQueue.h"
#include "SynthEngine.h"
#include "defaults.h"
#include "fresh_start.h"
#include "presets.h"

namespace {
std::atomic<int> allocationsInRender{0};
thread_local bool rendering = false;  // the thread is inside the engine's render
}  // namespace

// Every allocation of the test program passes here; those made inside the engine's render
// are counted. (Memory from this new is released by this delete.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
    if (rendering) ++allocationsInRender;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}

namespace pattaplex {
namespace {

constexpr int64_t kStep = 22050;  // 120 BPM, one step a beat

// The engine with no soundfont, rendered by the test as its audio thread. Row n plays
// step n - 1 of two bars of four.
struct Side {
    Side() {
        std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(2, 4, 1, 120);
        for (int n = 1; n <= kRowCount; ++n) {
            std::tie(s.row(n).DR, s.row(n).DV) = std::make_tuple(40 + n, 100);
            s.row(n).VOL.fill(100);
            s.row(n).BUF[static_cast<size_t>(n - 1)] = 1;
        }
    }
    uint64_t publish(int64_t pass = 0, bool ready = false) {
        return engine.publish(GrooveSnapshot::of(s), pass, ready);
    }
    void command(NoteCommand::Kind kind, int step = 0) {
        engine.send({.kind = kind, .step = step});
    }
    // Renders in periods of 128 up to `until`, noting each step played with its groove.
    void renderTo(int64_t until) {
        while (engine.position() < until) {
            engine.render(nullptr, nullptr, 128);
            const EngineReport r = engine.report();
            if (r.stepsPlayed != seen && r.running) played.push_back({r.lastStep, r.playing});
            seen = r.stepsPlayed;
        }
    }
    std::vector<std::pair<int, uint64_t>> takePlayed() { return std::exchange(played, {}); }
    GrooveState s;
    SynthEngine engine;
    int64_t seen = 0;
    std::vector<std::pair<int, uint64_t>> played;  // step, serial of its groove
};

using Played = std::vector<std::pair<int, uint64_t>>;

TEST(AudioSide, TheTransportStartsStopsAndResumesOnTheAudioSide) {
    Side a;
    const uint64_t g = a.publish();
    a.command(NoteCommand::Kind::Start, 0);
    a.renderTo(kStep * 5 / 2);
    EXPECT_EQ(a.takePlayed(), (Played{{0, g}, {1, g}, {2, g}}));
    a.command(NoteCommand::Kind::Stop);
    a.renderTo(kStep * 6);
    EXPECT_TRUE(a.takePlayed().empty());
    const EngineReport stopped = a.engine.report();
    EXPECT_EQ(std::tie(stopped.running, stopped.nextStep, stopped.transport),
              std::make_tuple(false, 3, uint64_t{2}));
    a.command(NoteCommand::Kind::Start, 3);  // a pause resumes on the present time
    a.renderTo(kStep * 8 - 200);
    EXPECT_EQ(a.takePlayed(), (Played{{3, g}, {4, g}}));
    EXPECT_EQ(a.engine.report().nextTime, kStep * 6 + 2 * kStep + 128 - kStep * 6 % 128);
}

TEST(AudioSide, EditsPlayAtTheNextStepAndAPreparedPassWaitsForItsWrap) {
    Side a;
    const uint64_t first = a.publish();
    a.command(NoteCommand::Kind::Start, 6);
    a.renderTo(kStep / 2);
    const uint64_t edit = a.publish();  // an edit during pass 0
    a.renderTo(kStep * 6 / 10);
    // Infinite random prepares pass 1 before the loop wraps: it waits for step 0, and an
    // edit made meanwhile goes with it, not sooner.
    a.publish(1, true);
    a.renderTo(kStep * 7 / 10);
    const uint64_t eop = a.publish(1);
    a.renderTo(kStep * 4 - 100);
    EXPECT_EQ(a.takePlayed(), (Played{{6, first}, {7, edit}, {0, eop}, {1, eop}}));
    // Prepared too late for pass 2 (already begun): pass 2 plays the old groove once
    // more, and pass 3 the new one.
    a.renderTo(kStep * 10 + kStep / 2);
    const uint64_t late = a.publish(2, true);
    a.renderTo(kStep * 18 + kStep / 2);
    const Played played = a.takePlayed();
    ASSERT_EQ(played.size(), 15u);
    EXPECT_EQ(std::tie(played[6], played[13], played[14]),  // passes 2 and 3
              std::tuple(std::pair(0, eop), std::pair(7, eop), std::pair(0, late)));
}

// Rendering with every kind of command, edits, and kits loading meanwhile allocates
// nothing.
TEST(AudioSide, RenderingAllocatesNothing) {
    GrooveState s = freshStartState();
    doPreset(s, 4, [] { return int64_t{7}; });
    initVOL(s);
    SynthEngine engine;
    ASSERT_FALSE(engine.load());
    ASSERT_TRUE(engine.selectPreset(*kitPreset(s.KIT)));
    std::vector<float> left(256), right(256);
    engine.publish(GrooveSnapshot::of(s));
    engine.send({.kind = NoteCommand::Kind::Start});
    allocationsInRender = 0;
    for (int k = 0; k < 3000; ++k) {
        if (k % 500 == 250) {
            engine.requestPreset(*kitPreset(k % 1000 == 250 ? 20 + k / 250 : s.KIT));
            s.TEMPO = 60 + k / 20;
            s.row(1 + k % kRowCount).BUF.fill(k % 3);
            engine.publish(GrooveSnapshot::of(s), 0, k % 1000 == 250);
        }
        using enum NoteCommand::Kind;
        if (k % 300 == 0)
            engine.send({.kind = k % 600 ? Silence : NoteOn, .key = 60, .velocity = 90});
        rendering = true;
        engine.render(left.data(), right.data(), k % 7 == 0 ? 97 : 256);
        rendering = false;
        engine.collect();
    }
    engine.waitForPresets();
    EXPECT_EQ(allocationsInRender.load(), 0);
}

// The queue and the handoff between two threads, for the thread checker's eyes.
TEST(AudioSide, QueueAndHandoffAcrossTwoThreads) {
    SpscQueue<int, 64> queue;
    int wrong = 0;
    std::thread consumer([&] {
        for (int n = 0, got = 0; n < 100000;)
            if (queue.pop(got)) wrong += got != n++;
    });
    for (int i = 0; i < 100000;)
        if (queue.push(i)) ++i;
    consumer.join();
    EXPECT_EQ(wrong, 0);

    Side a;
    a.publish();
    a.command(NoteCommand::Kind::Start, 0);
    std::atomic<bool> done{false};
    std::atomic<uint64_t> lastSeen{0};
    std::thread audio([&] {
        uint64_t previous = 0;
        while (!done.load() || lastSeen.load() < 2000) {
            a.engine.render(nullptr, nullptr, 64);
            const uint64_t playing = a.engine.report().playing;
            ASSERT_GE(playing, previous);
            lastSeen = previous = playing;
        }
    });
    for (int k = 0; k < 1999; ++k) {
        a.s.TEMPO = 100 + k % 100;
        a.publish();
        if (k % 64 == 0) std::this_thread::yield();
    }
    done = true;
    audio.join();
    a.engine.collect();
}

// The main thread's half with the silent stand-in for a device, in real time: the
// listener hears of the steps, infinite random re-randomises at each wrap, and a stop
// leaves LOOP at the step that would have sounded next.
TEST(AudioSide, TheWindowHearsOfStepsAndWrapsWithoutPolling) {
    setenv("PATTAPLEX_AUDIO_DRIVER", "none", 1);
    struct Listener : ClockListener {
        void stepSounded(int next) override { steps.push_back(next); }
        void loopWrapping() override { ++wraps; }
        std::vector<int> steps;
        int wraps = 0;
    } listener;
    GrooveState s = freshStartState();
    std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO, s.INF) = std::make_tuple(1, 1, 4, 240, 1);
    NoteOutput output(s);
    output.setListener(&listener);
    std::vector<bool> switched;
    output.setPumpSwitch([&](bool on) { switched.push_back(on); });
    output.startClock();
    for (int k = 0; k < 20000 && listener.wraps < 3; ++k) {
        output.pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GE(listener.wraps, 3);
    ASSERT_FALSE(listener.steps.empty());
    EXPECT_TRUE(output.position().playing);
    output.stopClock();
    EXPECT_EQ(switched, (std::vector<bool>{true, false}));
    EXPECT_FALSE(output.position().playing);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int stoppedAt = output.engine().report().nextStep;
    output.startClock();  // resumes exactly where the audio side stopped
    EXPECT_EQ(s.LOOP, stoppedAt);
}

// Following JACK transport needs the JACK driver: without it a start says so and does not
// pretend to play.
TEST(AudioSide, JackTransportWithoutJackSaysWhyNothingStarts) {
    setenv("PATTAPLEX_AUDIO_DRIVER", "none", 1);
    struct Listener : ClockListener {
        void stepSounded(int) override {}
        void loopWrapping() override {}
        void followedTransport(bool playing, const std::string& reason) override {
            said = std::make_pair(playing, reason);
        }
        std::pair<bool, std::string> said{true, ""};
    } listener;
    GrooveState s = freshStartState();
    NoteOutput output(s);
    output.setListener(&listener);
    output.setMidi({.sync = SyncSource::JackTransport});
    output.startClock();
    EXPECT_FALSE(output.clockRunning());
    EXPECT_EQ(listener.said,
              std::make_pair(false,
                             std::string("No JACK transport: the sound does not go through JACK")));
}

}  // namespace
}  // namespace pattaplex
