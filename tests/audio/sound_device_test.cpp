// The note output through real drivers: an audition written by the file driver, and a
// JACK server of the test's own killed while a groove plays through it, then started
// again.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "NoteOutput.h"
#include "WavFile.h"
#include "fresh_start.h"
#include "test_jack_server.h"
#include "test_pulse_server.h"

namespace pattaplex {
namespace {

// Hears what the output tells the window.
struct Listener : ClockListener {
    void stepSounded(int) override { ++steps; }
    void loopWrapping() override {}
    void soundStatusChanged(const std::string& text) override { status = text; }
    int steps = 0;
    std::string status;
};

// Rendering has stopped when the position holds still for a tenth of a second.
bool holdsStill(const SynthEngine& engine) {
    const int64_t before = engine.position();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return engine.position() == before;
}

// The file driver rests while nothing sounds, yet the file keeps its real-time length, and
// a note played after a rest comes at the time it was played, not when the rest began.
TEST(SoundDevice, AnAuditionThroughTheFileDriverSoundsForItsLengthAndAtOnceAfterARest) {
    const std::string path = testing::TempDir() + "audition-" + std::to_string(getpid()) + ".wav";
    setenv("PATTAPLEX_AUDIO_DRIVER", "file", 1);
    setenv("PATTAPLEX_AUDIO_FILE", path.c_str(), 1);
    GrooveState s = freshStartState();
    constexpr int kOrgan = 17;  // sustains while held, so its length is the audition's
    using Clock = std::chrono::steady_clock;
    Clock::time_point begun, ended;
    int64_t restedAt = 0, closedAt = 0;
    {
        NoteOutput output(s, stdout, stderr);
        ASSERT_TRUE(output.initQT(kOrgan));
        const SynthEngine& engine = output.engine();
        // Once the file's writer has moved the position on, it keeps pace from before now.
        const int64_t opened = engine.position();
        ASSERT_TRUE(within30s([&] { return engine.position() > opened; }, [] {}));
        begun = Clock::now();
        // The kit's samples load on a worker; the rest comes after them. Held still for a
        // tenth of a second, the rest began at least that long ago.
        ASSERT_TRUE(within30s([&] { return holdsStill(engine); }, [] {}));
        restedAt = engine.position();
        output.audition(60, 110);
        const int64_t end = engine.position() + engine.rate();
        ASSERT_TRUE(within30s([&] { return engine.position() > end; }, [] {}));
        ASSERT_TRUE(within30s([&] { return holdsStill(engine); }, [] {}));
        ended = Clock::now();
        // Closed while resting; the silent stand-in then holds the position the file ended
        // at, or a block or two on.
        setenv("PATTAPLEX_AUDIO_DRIVER", "none", 1);
        ASSERT_TRUE(output.reopen(kOrgan));
        closedAt = engine.position();
    }
    const auto wav = readWav16(path);
    std::filesystem::remove(path);
    ASSERT_TRUE(wav);
    const auto& [samples, rate] = *wav;
    EXPECT_EQ(rate, kSampleRate);
    const auto length = static_cast<int64_t>(samples.size() / 2);
    // The first and last frames above -40 dBFS.
    int64_t first = -1, last = -1;
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::abs(samples[i]) > 328) {
            const auto frame = static_cast<int64_t>(i / 2);
            if (first < 0) first = frame;
            last = frame;
        }
    ASSERT_GE(first, 0) << "the audition was not heard";
    // Held for 4/60 s, then the organ's short release.
    const double seconds = static_cast<double>(last - first) / rate;
    EXPECT_GT(seconds, 4.0 / 60);
    EXPECT_LT(seconds, 4.0 / 60 + 0.25);
    // The note sounds after the tenth of a second of rest (less a period of rounding), at
    // the engine's position: the file's frames begin at or before closedAt - length.
    constexpr int64_t kPeriod = 128;
    EXPECT_GE(closedAt - length + first, restedAt + rate / 10 - kPeriod)
        << "the note was put back to where the rest began";
    // The silence up to the end was written: the file is as long as the time it was open.
    const double wallSeconds = std::chrono::duration<double>(ended - begun).count();
    EXPECT_GE(static_cast<double>(length + kPeriod) / rate, wallSeconds);
}

// Outside gear on the test's server: a MIDI input and output connected to ours.
struct Gear {
    explicit Gear(const std::string& server) {
        jack_status_t why{};
        client = jack_client_open("gear", JackOptions(JackNoStartServer | JackServerName), &why,
                                  server.c_str());
        if (!client) return;
        jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_activate(client);
    }
    ~Gear() {
        if (client) jack_client_close(client);
    }
    bool connectTo() {
        return client && jack_connect(client, "Pattaplex:midi_out", "gear:in") == 0 &&
               jack_connect(client, "gear:out", "Pattaplex:midi_in") == 0;
    }
    jack_client_t* client = nullptr;
};

TEST(SoundDevice, ALostJackServerIsToldOfTheClockKeepsTimeAndSoundComesBack) {
    const std::string name = "pattaplex-test-" + std::to_string(getpid());
    TestJackServer server(name);
    if (!server.start()) GTEST_SKIP() << "no JACK server can run here";
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    setenv("PATTAPLEX_AUDIO_DRIVER", "jack", 1);
    GrooveState s = freshStartState();
    s.TEMPO = 240;
    std::FILE* devNull = std::fopen("/dev/null", "w");
    NoteOutput output(s, devNull, devNull);
    Listener listener;
    output.setListener(&listener);
    int serviceCalls = 0;
    output.setServiceCall([&](int) { ++serviceCalls; });  // the driver's thread: count only
    auto tick = [&] {
        output.pump();
        output.service();
    };
    auto stepsGoOn = [&] {
        const int seen = listener.steps;
        return within30s([&] { return listener.steps > seen + 2; }, tick);
    };

    ASSERT_TRUE(output.initQT(s.KIT));
    EXPECT_EQ(server.portsOf("Pattaplex"), std::make_pair(4, 2));  // sound out connected, MIDI free
    auto gear = std::make_unique<Gear>(name);
    ASSERT_TRUE(gear->connectTo());
    const auto everyPortConnected = [&] { return server.portsOf("Pattaplex") == std::pair(4, 4); };
    ASSERT_TRUE(within30s(everyPortConnected, [] {}));
    ASSERT_TRUE(output.reopen(s.KIT));  // Fix Sound
    EXPECT_TRUE(everyPortConnected()) << "Fix Sound lost the connections";
    output.startClock();
    ASSERT_TRUE(stepsGoOn());
    const std::string gone = "No sound: the JACK server has gone";
    for (bool fixSound : {false, true}) {
        server.stop();
        ASSERT_TRUE(within30s([&] { return listener.status == gone; }, tick)) << listener.status;
        EXPECT_GT(serviceCalls, 0);
        EXPECT_TRUE(stepsGoOn()) << "the clock stopped with the server";
        EXPECT_TRUE(output.position().playing);
        EXPECT_EQ(output.soundStatus(), gone);

        gear.reset();
        ASSERT_TRUE(server.start());
        gear = std::make_unique<Gear>(name);  // the gear's client comes back with the server
        if (fixSound) {
            EXPECT_TRUE(output.initQT(s.KIT));
        } else {  // the retries find it
            ASSERT_TRUE(within30s([&] { return listener.status.empty(); }, tick));
        }
        EXPECT_EQ(listener.status, "");
        EXPECT_TRUE(everyPortConnected()) << "one client, connected again to the speakers and gear";
        const int64_t heard = output.engine().position();
        ASSERT_TRUE(within30s([&] { return output.engine().position() > heard + 48000; }, tick));
        EXPECT_TRUE(stepsGoOn());
    }
    output.stopClock();
    std::fclose(devNull);
}

// Under PulseAudio a stopped, silent program corks its stream: nothing is rendered until
// something is to be played, and the first note then comes at once.
TEST(SoundDevice, UnderPulseAudioStoppedMeansAsleepAndALostServerComesBack) {
    TestPulseServer server;
    if (!server.start()) GTEST_SKIP() << "no PulseAudio server can run here";
    setenv("PULSE_SERVER", server.address().c_str(), 1);
    setenv("PATTAPLEX_AUDIO_DRIVER", "pulseaudio", 1);
    GrooveState s = freshStartState();
    s.TEMPO = 240;
    std::FILE* devNull = std::fopen("/dev/null", "w");
    NoteOutput output(s, devNull, devNull);
    Listener listener;
    output.setListener(&listener);
    output.setServiceCall([](int) {});
    auto tick = [&] {
        output.pump();
        output.service();
    };
    const SynthEngine& engine = output.engine();
    auto asleep = [&] { return holdsStill(engine); };

    ASSERT_TRUE(output.initQT(s.KIT));
    ASSERT_TRUE(within30s(asleep, [] {}));
    output.startClock();
    ASSERT_TRUE(within30s([&] { return listener.steps > 2; }, tick));
    EXPECT_GT(output.position().latency, 0.0);
    EXPECT_LE(output.position().latency, 0.025);
    output.stopClock();
    ASSERT_TRUE(within30s(asleep, [] {}));
    const int64_t stoppedAt = engine.position();
    output.audition(38, 100);  // wakes it
    ASSERT_TRUE(within30s([&] { return engine.position() > stoppedAt; }, [] {}));

    output.startClock();
    server.stop();
    const std::string gone = "No sound: the PulseAudio server has gone";
    ASSERT_TRUE(within30s([&] { return listener.status == gone; }, tick)) << listener.status;
    const int steps = listener.steps;
    EXPECT_TRUE(within30s([&] { return listener.steps > steps + 2; }, tick));
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(within30s([&] { return listener.status.empty(); }, tick));
    output.stopClock();
    std::fclose(devNull);
}

}  // namespace
}  // namespace pattaplex
