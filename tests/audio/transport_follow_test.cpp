// The scheduler following JACK transport as the JACK device hands it each cycle's
// position: rolling, stopped, moved, with and without a timebase master.

#include <gtest/gtest.h>

#include <vector>

#include "Scheduler.h"

namespace pattaplex {
namespace {

constexpr int kRate = 48000;
constexpr int kCycle = 256;

// A groove of one bar of four beats, two steps a beat, step k playing note 50 + k, and a
// transport whose frame counts the cycles while it rolls.
struct Rig {
    Rig() : scheduler(kRate, 64, options) {
        options.sync = SyncSource::JackTransport;
        GrooveState s;
        std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(1, 4, 2, 120);
        for (int n = 1; n <= 8; ++n) {
            std::tie(s.row(n).DR, s.row(n).DV) = std::make_tuple(50 + n - 1, 100);
            s.row(n).VOL.fill(100);
            s.row(n).BUF[static_cast<size_t>(n - 1)] = 1;
        }
        scheduler.publish(GrooveSnapshot::of(s));
    }
    // Runs `cycles` cycles; with `tempo` a timebase master gives bar, beat and tick.
    void run(int cycles, bool rolling, double tempo = 0) {
        for (int i = 0; i < cycles; ++i) {
            TransportPosition p;
            p.rolling = rolling;
            p.frame = frame;
            p.rate = kRate;
            if (tempo > 0) {
                const Bbt b = bbtOfBeats(master.beatsAt(frame, false, tempo, kRate), 4, 1920);
                std::tie(p.bbt, p.bar, p.beat, p.tick, p.tempo) =
                    std::make_tuple(true, b.bar, b.beat, b.exactTick, tempo);
            }
            scheduler.receiveTransport(p);
            for (const TimedEvent& e : scheduler.beginBlock(kCycle)) {
                if (e.kind == TimedEvent::Kind::NoteOn) notes.push_back({frame + e.frame, e.key});
                if (e.kind == TimedEvent::Kind::Clock) ticks.push_back(frame + e.frame);
                if (e.kind == TimedEvent::Kind::Start || e.kind == TimedEvent::Kind::Continue ||
                    e.kind == TimedEvent::Kind::Stop)
                    transport.push_back({e.kind, e.songPosition});
            }
            scheduler.endBlock();
            if (rolling) frame += kCycle;
        }
    }
    struct Note {
        int64_t frame;  // the transport's
        int key;
    };
    MidiOptions options;
    Scheduler scheduler;
    TimebaseClock master;
    uint32_t frame = 0;
    std::vector<Note> notes;
    std::vector<int64_t> ticks;  // MIDI clock, at the transport's frames
    std::vector<std::pair<TimedEvent::Kind, int>> transport;  // with the song position
};

using Kind = TimedEvent::Kind;
using Told = std::vector<std::pair<Kind, int>>;

TEST(TransportFollow, StepsSitWhereTheTransportsPositionPutsThem) {
    Rig r;
    r.run(40, false);
    EXPECT_TRUE(r.notes.empty());  // stopped: nothing plays
    // Rolling from frame 0 without a master: the groove's 120 BPM, 12000 frames a step
    // (to the synthesizer's 64-sample grid).
    r.run(200, true);
    ASSERT_GE(r.notes.size(), 4u);
    for (size_t i = 0; i < r.notes.size(); ++i) {
        EXPECT_NEAR(r.notes[i].frame, static_cast<int64_t>(i) * 12000, 32) << i;
        EXPECT_EQ(r.notes[i].key, 50 + static_cast<int>(i % 8)) << i;
    }
    // Moved to frame 30000, 2.5 steps in: the next step is step 3 at 36000, and each
    // step after it comes once.
    r.notes.clear();
    r.frame = 30000;
    r.run(100, true);
    ASSERT_GE(r.notes.size(), 2u);
    EXPECT_NEAR(r.notes[0].frame, 36000, 32);
    EXPECT_EQ(r.notes[0].key, 53);
    for (size_t i = 1; i < r.notes.size(); ++i)
        EXPECT_NEAR(r.notes[i].frame - r.notes[i - 1].frame, 12000, 64) << i;
    // Stopped: no step more, and the clock says so.
    const size_t played = r.notes.size();
    r.run(100, false);
    EXPECT_EQ(r.notes.size(), played);
    EXPECT_FALSE(r.scheduler.report().running);
    // Moved while stopped to frame 120000, five beats in, and rolling: step 10 of the
    // timeline (the groove's third) first.
    r.notes.clear();
    r.frame = 120000;
    r.run(10, true);
    ASSERT_FALSE(r.notes.empty());
    EXPECT_EQ(r.notes[0].key, 52);
    // MIDI gear was told each start, move and stop, with the song position in sixteenths.
    EXPECT_EQ(r.transport, (Told{{Kind::Start, 0},
                                 {Kind::Stop, 0},
                                 {Kind::Continue, 6},
                                 {Kind::Stop, 0},
                                 {Kind::Continue, 20}}));
}

TEST(TransportFollow, AMastersBarBeatAndTickSetThePaceAndTheTempoShown) {
    Rig r;
    r.run(400, true, 133);
    ASSERT_GE(r.notes.size(), 8u);
    // Half a beat at 133 BPM, to the synthesizer's 64-sample grid.
    const double step = kRate * 60.0 / 133 / 2;
    for (size_t i = 0; i < r.notes.size(); ++i) {
        EXPECT_NEAR(static_cast<double>(r.notes[i].frame), i * step, 32) << i;
        EXPECT_EQ(r.notes[i].key, 50 + static_cast<int>(i % 8)) << i;
    }
    EXPECT_DOUBLE_EQ(r.scheduler.report().followedTempo, 133);
    // MIDI clock: 24 ticks a beat from the first step on, exact to a sample.
    ASSERT_GE(r.ticks.size(), 48u);
    for (size_t k = 0; k < r.ticks.size(); ++k)
        EXPECT_NEAR(static_cast<double>(r.ticks[k]), k * kRate * 60.0 / 133 / 24, 1) << k;
}

// A groove made longer while the transport rolls plays on from the transport's step in
// it; MIDI gear, whose song goes on, hears nothing of it.
TEST(TransportFollow, AGrooveLengthenedUnderTheTransportPlaysOnQuietly) {
    Rig r;
    r.run(500, true);  // 10.7 steps in: the groove's third step next
    GrooveState s;
    std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(2, 4, 2, 120);
    s.row(1).DR = 50;
    s.row(1).DV = 100;
    s.row(1).VOL.fill(100);
    s.row(1).BUF[11] = 1;
    r.scheduler.publish(GrooveSnapshot::of(s));
    r.notes.clear();
    r.run(100, true);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_NEAR(r.notes[0].frame, 11 * 12000, 32);
    EXPECT_EQ(r.transport, (Told{{Kind::Start, 0}}));
}

// Leaving the transport for the groove's own clock mid-step plays on: each step where it
// would have been, none dropped or doubled, and the MIDI clock without a gap.
TEST(TransportFollow, BackToTheGroovesOwnClockPlaysOnWithItsTicks) {
    Rig r;
    r.run(100, true);
    r.options.sync = SyncSource::Internal;
    r.run(250, true);
    ASSERT_GE(r.notes.size(), 7u);
    for (size_t i = 0; i < r.notes.size(); ++i) {
        EXPECT_NEAR(r.notes[i].frame, static_cast<int64_t>(i) * 12000, 32) << i;
        EXPECT_EQ(r.notes[i].key, 50 + static_cast<int>(i % 8)) << i;
    }
    ASSERT_GE(r.ticks.size(), 80u);
    for (size_t k = 0; k < r.ticks.size(); ++k)
        EXPECT_NEAR(r.ticks[k], static_cast<int64_t>(k) * 1000, 1) << k;
}

}  // namespace
}  // namespace pattaplex
