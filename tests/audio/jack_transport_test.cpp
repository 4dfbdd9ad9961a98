// JACK transport as the sync source, on the test's own dummy server: driven with
// jack_transport (a timebase master at 133 BPM, play, stop, locate) and read back with
// jack_showtime and a client of the test's own.

#include <gtest/gtest.h>
#include <jack/transport.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "NoteOutput.h"
#include "fresh_start.h"
#include "jack_fixture.h"

namespace pattaplex {
namespace {

using testing::JackRecorder;
using testing::JackServer;
using testing::MidiMessage;

bool toolsInstalled() {
    return std::system("command -v jackd jack_transport jack_showtime >/dev/null 2>&1") == 0;
}

// jack_transport, fed its commands on its standard input.
class TransportTool {
  public:
    TransportTool() : in_(popen("jack_transport >/dev/null 2>&1", "w")) {}
    ~TransportTool() {
        if (!in_) return;
        say("quit");
        pclose(in_);
    }
    void say(const std::string& command) {
        std::fprintf(in_, "%s\n", command.c_str());
        std::fflush(in_);
    }

  private:
    std::FILE* in_;
};

// One line of jack_showtime: the transport's frame, state and bar, beat and tick.
struct Shown {
    long frame = -1;
    std::string state;
    int bar = 0, beat = 0, tick = 0;
};
Shown showtime() {
    Shown s;
    std::FILE* out = popen("timeout -s KILL 0.3 jack_showtime 2>/dev/null", "r");
    char line[512];
    while (out && std::fgets(line, sizeof line, out)) {
        if (!std::strchr(line, '\n')) continue;  // cut short by the timeout
        char state[32] = {};
        Shown now;
        if (std::sscanf(line, "frame = %ld frame_time = %*u usecs = %*d state: %31s BBT: %d|%d|%d",
                        &now.frame, state, &now.bar, &now.beat, &now.tick) >= 2) {
            now.state = state;
            s = now;
        }
    }
    if (out) pclose(out);
    return s;
}

void wait(JackRecorder& r, double seconds) {
    r.record(static_cast<int64_t>(seconds * r.rate()));
}

// The window's note output on JACK following the transport: a bar of four beats, one step
// a beat, each step its own note (50 + step), out on MIDI.
struct Rig {
    explicit Rig(MidiSettings midi, int beats = 4, int tempo = 90) {
        setenv("PATTAPLEX_AUDIO_DRIVER", "jack", 1);
        std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(1, beats, 1, tempo);
        for (int n = 1; n <= kRowCount; ++n) {
            DrumRow& row = s.row(n);
            row.BUF.fill(0);
            std::tie(row.DR, row.DV) = std::make_tuple(50 + n - 1, 100);
            row.VOL.fill(90);
            row.BUF[static_cast<size_t>(n - 1)] = n <= beats;
        }
        if (!server.up()) return;
        output = std::make_unique<NoteOutput>(s, stdout, stderr);
        midi.sendNotes = true;
        output->setMidi(midi);
        if (!output->initQT(s.KIT)) return;
        recorder = std::make_unique<JackRecorder>();
        wait(*recorder, 0.3);
        if (!recorder->ok()) recorder.reset();
    }
    ~Rig() { setenv("PATTAPLEX_AUDIO_DRIVER", "none", 1); }
    std::vector<MidiMessage> noteOns() const {
        std::vector<MidiMessage> ons;
        for (const MidiMessage& m : recorder->messages())
            if ((m.bytes[0] & 0xF0) == 0x90) ons.push_back(m);
        return ons;
    }
    GrooveState s = freshStartState();
    JackServer server;
    std::unique_ptr<NoteOutput> output;
    std::unique_ptr<JackRecorder> recorder;
};

constexpr const char* kTooBusy = "the JACK server kept skipping cycles: the machine is too busy";

TEST(JackTransport, TheGrooveFollowsTheTransportItsPositionAndItsMastersTempo) {
    if (!toolsInstalled()) GTEST_SKIP() << "jackd or its example clients are not installed";
    Rig rig({.sync = SyncSource::JackTransport});
    ASSERT_TRUE(rig.recorder);
    TransportTool tool;
    tool.say("master");
    tool.say("tempo 133");
    // 96000 frames at 133 BPM are 4.43 beats: the next step is number 5, step 1 of the bar.
    tool.say("locate 96000");
    wait(*rig.recorder, 0.3);
    EXPECT_TRUE(rig.noteOns().empty());  // stopped: nothing plays
    tool.say("play");
    wait(*rig.recorder, 2.2);
    tool.say("stop");
    wait(*rig.recorder, 0.5);
    const size_t played = rig.noteOns().size();
    wait(*rig.recorder, 0.5);
    const std::vector<MidiMessage> ons = rig.noteOns();
    if (rig.recorder->gaps() > 0) GTEST_SKIP() << kTooBusy;
    EXPECT_EQ(ons.size(), played);  // nothing after the stop
    ASSERT_GE(ons.size(), 4u);
    // A beat as the master counts it, to the synthesizer's 64-sample grid: jack_transport
    // moves on by whole ticks a cycle, 22 of the 22.7 that 133 BPM would give.
    const double beat = 256.0 * 1920 / std::floor(256.0 * 1920 * 133 / (48000 * 60));
    for (size_t i = 0; i < ons.size(); ++i) {
        EXPECT_EQ(ons[i].bytes[1], 50 + (1 + i) % 4) << i;
        if (i == 0) continue;
        EXPECT_NEAR(ons[i].frame - ons[i - 1].frame, beat, 64) << i;
    }

    // Our own start and stop roll and stop the transport for everyone.
    rig.output->pump();
    rig.output->startClock();
    wait(*rig.recorder, 0.2);
    EXPECT_EQ(showtime().state, "Rolling");
    rig.output->stopClock();
    wait(*rig.recorder, 0.2);
    EXPECT_EQ(showtime().state, "Stopped");
}

TEST(JackTransport, AsTimebaseMasterItGivesTheGroovesTempoMetreAndBars) {
    if (!toolsInstalled()) GTEST_SKIP() << "jackd or its example clients are not installed";
    Rig rig({.sync = SyncSource::JackTransport, .timebaseMaster = true}, 3, 150);
    ASSERT_TRUE(rig.recorder);
    TransportTool tool;
    tool.say("locate 0");
    tool.say("play");
    wait(*rig.recorder, 1.0);
    const Shown shown = showtime();
    ASSERT_EQ(shown.state, "Rolling");
    // Three beats a bar at 150 BPM from frame 0.
    const double beats = shown.frame / 48000.0 * 150 / 60;
    const int bar = static_cast<int>(beats / 3);
    EXPECT_EQ(shown.bar, bar + 1);
    EXPECT_EQ(shown.beat, static_cast<int>(beats - bar * 3) + 1);
    EXPECT_NEAR(shown.tick, (beats - std::floor(beats)) * 1920, 2);

    jack_status_t status{};
    jack_client_t* probe = jack_client_open("probe", JackNoStartServer, &status);
    ASSERT_NE(probe, nullptr);
    jack_position_t pos{};
    jack_transport_query(probe, &pos);
    jack_client_close(probe);
    ASSERT_TRUE(pos.valid & JackPositionBBT);
    EXPECT_EQ(pos.beats_per_minute, 150);
    EXPECT_EQ(pos.beats_per_bar, 3);
    EXPECT_EQ(pos.beat_type, 4);
    // The groove follows its own bars: step 0 on beat 1.
    tool.say("stop");
    wait(*rig.recorder, 0.3);
    if (rig.recorder->gaps() > 0) GTEST_SKIP() << kTooBusy;
    for (const MidiMessage& on : rig.noteOns()) {
        EXPECT_LT(on.bytes[1], 53);
    }
}

}  // namespace
}  // namespace pattaplex
