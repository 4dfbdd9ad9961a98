// Pattaplex's own JACK client on a dummy server of the test's own: the notes and the clock
// on "midi_out" against the sound on the audio outputs, recorded in the same cycles.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <tuple>

#include "NoteOutput.h"
#include "SynthEngine.h"
#include "fresh_start.h"
#include "jack_fixture.h"
#include "kit_mapping.h"

namespace pattaplex {
namespace {

using testing::attackOf;
using testing::attackOffset;
using testing::JackRecorder;
using testing::JackServer;
using testing::MidiMessage;

constexpr float kInaudible = 1e-4f;  // a hit peaks thousands of times higher
// The window's note output on JACK, playing a groove of one row: a closed hi-hat on
// step 0 of four.
struct Rig {
    Rig() {
        setenv("PATTAPLEX_AUDIO_DRIVER", "jack", 1);
        std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(1, 4, 1, 240);
        for (DrumRow& row : s.rows) row.BUF.fill(0);
        s.rows[0].DR = 42;
        s.rows[0].VOL.fill(90);
        s.rows[0].BUF[0] = 1;
    }
    ~Rig() { setenv("PATTAPLEX_AUDIO_DRIVER", "none", 1); }
    bool open(const MidiSettings& midi) {
        if (!server.up()) return false;
        output = std::make_unique<NoteOutput>(s, stdout, stderr);
        output->setMidi(midi);
        if (!output->initQT(s.KIT)) return false;
        recorder = std::make_unique<JackRecorder>();
        recorder->record(recorder->rate() / 2);  // the kit's samples load meanwhile
        return recorder->ok();
    }
    void play(double seconds) {
        output->startClock();
        recorder->record(static_cast<int64_t>(seconds * recorder->rate()));
        output->stopClock();
        recorder->record(1024);  // the stop is carried out at the next cycle
    }
    GrooveState s = freshStartState();
    JackServer server;
    std::unique_ptr<NoteOutput> output;
    std::unique_ptr<JackRecorder> recorder;
};

std::vector<MidiMessage> withStatus(const std::vector<MidiMessage>& all, uint8_t status,
                                    uint8_t mask = 0xFF) {
    std::vector<MidiMessage> some;
    for (const MidiMessage& m : all)
        if ((m.bytes[0] & mask) == status) some.push_back(m);
    return some;
}

// Across a cycle the server skipped, Pattaplex's sample clock and the server's frame time
// part; a machine too busy to run the server without skipping cannot time anything.
constexpr const char* kTooBusy = "the JACK server kept skipping cycles: the machine is too busy";

bool jackInstalled() {
    return std::system("command -v jackd >/dev/null 2>&1") == 0;
}

#define NEEDS_JACK()                                                \
    if (!jackInstalled()) GTEST_SKIP() << "jackd is not installed"; \
    static_assert(true)

// Every hit goes out with its key, channel and velocity at the frame its sound begins;
// a stop ends every note; a channel of one's own and MIDI alone work; auditions go out.
TEST(JackClient, HitsGoOutAtTheFrameTheySound) {
    NEEDS_JACK();
    Rig rig;
    ASSERT_TRUE(rig.open({.sendNotes = true}));
    rig.play(2.1);  // three hits, the last stopped while it sounds
    rig.output->setMidi({.sendNotes = true, .internalSound = false, .channel = 3});
    rig.recorder->record(rig.recorder->rate());
    rig.s.LOOP = 0;
    rig.play(1.2);  // two hits, heard only outside
    rig.output->audition(38, 70);
    rig.recorder->record(rig.recorder->rate() / 2);
    rig.recorder->close();

    const auto messages = rig.recorder->messages();
    const std::vector<float> hat = attackOf(rig.s.KIT, 42, 90, rig.recorder->rate());
    const auto ons = withStatus(messages, 0x90, 0xF0);
    const auto offs = withStatus(messages, 0x80, 0xF0);
    ASSERT_EQ(ons.size(), 6u);
    ASSERT_EQ(offs.size(), 6u);
    for (size_t i = 0; i < ons.size(); ++i) {
        const MidiMessage& on = ons[i];
        const bool own = i >= 3;
        const std::array<uint8_t, 3> expected =
            i == 5 ? std::array<uint8_t, 3>{0x92, 38, 70}
                   : std::array<uint8_t, 3>{uint8_t(own ? 0x92 : 0x99), 42, 90};
        EXPECT_EQ(on.bytes, expected) << i;
        EXPECT_EQ(offs[i].bytes[0], expected[0] - 0x10) << i;
        EXPECT_EQ(offs[i].bytes[1], expected[1]) << i;
        EXPECT_GT(offs[i].frame, on.frame) << i;
        if (own) {
            // The internal sound is off.
            for (int64_t f = on.frame; f < on.frame + 4800; ++f)
                ASSERT_LT(std::fabs(rig.recorder->sample(f)), kInaudible) << i;
            continue;
        }
        EXPECT_EQ(attackOffset(*rig.recorder, on.frame, hat), 0) << i;
    }
    // The third hit was cut short by the stop: its note-off comes at once, not a step later.
    EXPECT_LT(offs[2].frame - ons[2].frame, rig.recorder->rate() / 4);
}

// 24 clock ticks a beat, each within one frame of its exact place, at the slowest, an
// uneven and the fastest tempo; Start, Stop, then a resume's position pointer and
// Continue, in order.
TEST(JackClient, TheClockTicks24ABeatOnItsFrameWithTheTransport) {
    NEEDS_JACK();
    Rig rig;
    ASSERT_TRUE(rig.open({.sendClock = true}));
    const int rate = rig.recorder->rate();
    // Each run is repeated (a few times at most) when the loaded machine made the server
    // skip a cycle meanwhile.
    auto run = [&](double seconds, int fromStep) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            rig.s.LOOP = fromStep;
            const size_t from = rig.recorder->messages().size();
            const int gaps = rig.recorder->gaps();
            rig.play(seconds);
            const auto all = rig.recorder->messages();
            if (rig.recorder->gaps() == gaps)
                return std::vector<MidiMessage>(all.begin() + static_cast<ptrdiff_t>(from),
                                                all.end());
        }
        return std::vector<MidiMessage>{};
    };
    auto order = [](const std::vector<MidiMessage>& messages) {
        std::string text;
        for (const MidiMessage& m : messages)
            if (m.bytes[0] != 0xF8)
                text += m.bytes[0] == 0xFA   ? "S"
                        : m.bytes[0] == 0xFC ? "T"
                        : m.bytes[0] == 0xF2 ? "P"
                        : m.bytes[0] == 0xFB ? "C"
                                             : "?";
        return text;
    };
    for (int tempo : {40, 137, 240}) {
        rig.s.TEMPO = tempo;
        const auto messages = run(1.0, 0);
        if (messages.empty()) GTEST_SKIP() << kTooBusy;
        ASSERT_EQ(order(messages), "ST") << tempo;
        size_t i = 0;
        while (messages[i].bytes[0] != 0xFA) ++i;
        const int64_t start = messages[i].frame;
        const double tick = rate * 60.0 / (tempo * 24);
        int n = 0;
        for (++i; messages[i].bytes[0] == 0xF8; ++i, ++n)
            EXPECT_LE(std::fabs(static_cast<double>(messages[i].frame - start) - n * tick), 1.0)
                << tempo << " tick " << n;
        EXPECT_NEAR(n, 1.0 * rate / tick, 24.0 * 256 / tick + 2) << tempo;
    }
    // A pause that resumes at step 6: the second beat's third sixteenth.
    rig.s.SUB = 4;
    const auto resumed = run(0.5, 6);
    if (resumed.empty()) GTEST_SKIP() << kTooBusy;
    EXPECT_EQ(order(resumed), "PCT");
    const auto pointer = withStatus(resumed, 0xF2);
    ASSERT_EQ(pointer.size(), 1u);
    EXPECT_EQ(pointer[0].bytes, (std::array<uint8_t, 3>{0xF2, 6, 0}));
}

// Following an outside clock: Start plays step 0 at the next tick, each step on its tick;
// the tempo settles on the clock's within two beats and follows its change within one;
// Stop stops, Continue resumes at the position pointer, and a silent clock stops playback.
TEST(JackClient, FollowsAnOutsideClockFrom100To140) {
    NEEDS_JACK();
    double settled = 0, followed = 0;
    bool cyclesSkipped = false;
    EngineReport end;
    std::vector<MidiMessage> sent, ons;
    // Tried again (a few times at most) when the loaded machine made the server skip a
    // cycle, which drops the outside clock's ticks of that cycle.
    for (int attempt = 0; attempt < 3; ++attempt) {
        Rig rig;
        rig.s.SUB = 4;
        for (int step = 0; step < 16; ++step) {
            rig.s.rows[0].BUF[static_cast<size_t>(step)] = 1;
            rig.s.rows[0].VOL[static_cast<size_t>(step)] = 10 + step;  // tells steps apart
        }
        ASSERT_TRUE(rig.open({.sendNotes = true, .sync = SyncSource::MidiClock}));
        JackRecorder& recorder = *rig.recorder;
        testing::JackClockSource clock;
        const int rate = recorder.rate();
        clock.sendClock(100);
        recorder.record(rate / 2);
        clock.send({0xFA}, 1);
        recorder.record(rate * 60 * 2 / 100);  // two beats
        settled = rig.output->engine().report().followedTempo;
        clock.sendClock(140);
        // A beat from the first tick at the new tempo, and the cycles it takes to come.
        recorder.record(rate * 60 / 100 / 24 + rate * 60 / 140 + 1024);
        followed = rig.output->engine().report().followedTempo;
        recorder.record(rate / 2);
        clock.send({0xFC}, 1);
        recorder.record(rate / 4);
        clock.send({0xF2, 4, 0}, 3);  // the second beat
        clock.send({0xFB}, 1);
        recorder.record(rate / 4);
        clock.sendClock(0);  // the clock goes silent
        recorder.record(rate * 5 / 2);
        end = rig.output->engine().report();
        clock.close();
        recorder.close();
        sent = clock.sent();
        ons = withStatus(recorder.messages(), 0x90, 0xF0);
        cyclesSkipped = recorder.gaps() > 0;
        if (!cyclesSkipped) break;
    }
    if (cyclesSkipped) GTEST_SKIP() << kTooBusy;
    EXPECT_NEAR(settled, 100.0, 0.5);
    EXPECT_NEAR(followed, 140.0, 0.5);
    EXPECT_FALSE(end.running);
    EXPECT_EQ(end.clockLosses, 1u);

    // Every sixth tick after a start or continue begins a step: its note goes out within
    // half a synthesizer block of the tick.
    std::vector<std::pair<int64_t, int>> steps;  // tick frame, step
    int nextStep = -1, ticksToStep = 0;
    for (const MidiMessage& m : sent) {
        if (m.bytes[0] == 0xFA || m.bytes[0] == 0xFB) {
            nextStep = m.bytes[0] == 0xFA ? 0 : 4;
            ticksToStep = 0;
        }
        if (m.bytes[0] == 0xFC) nextStep = -1;
        if (m.bytes[0] != 0xF8 || nextStep < 0) continue;
        if (ticksToStep-- == 0) {
            steps.push_back({m.frame, nextStep});
            nextStep = (nextStep + 1) % 16;
            ticksToStep = 5;
        }
    }
    ASSERT_EQ(ons.size(), steps.size());
    for (size_t i = 0; i < ons.size(); ++i) {
        EXPECT_LE(std::llabs(ons[i].frame - steps[i].first), 32) << i;
        EXPECT_EQ(ons[i].bytes[2], 10 + steps[i].second) << i;
    }
}

}  // namespace
}  // namespace pattaplex
