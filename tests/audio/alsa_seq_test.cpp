// MIDI without JACK: the ALSA sequencer client "Pattaplex". Machines without a sequencer
// (containers, CI) skip these.

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <tuple>

#include "NoteOutput.h"
#include "fresh_start.h"

namespace pattaplex {
namespace {

// The groove's hits leave "Pattaplex:midi_out" as notes on the drum channel, and the clock
// with them.
TEST(AlsaSequencer, NotesAndClockGoOutOnTheClientsPort) {
    if (!std::filesystem::exists("/dev/snd/seq")) GTEST_SKIP() << "no ALSA sequencer here";
    snd_seq_t* seq = nullptr;
    ASSERT_GE(snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, 0), 0);
    const int port =
        snd_seq_create_simple_port(seq, "in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);

    GrooveState s = freshStartState();
    std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO) = std::make_tuple(1, 4, 1, 240);
    for (DrumRow& row : s.rows) row.BUF.fill(0);
    s.rows[0].DR = 42;
    s.rows[0].VOL.fill(90);
    s.rows[0].BUF.fill(1);
    NoteOutput output(s);  // no sound device: the clock keeps time by itself
    output.setMidi({.sendNotes = true, .sendClock = true});
    output.initQT(s.KIT);
    snd_seq_addr_t pattaplex{};
    ASSERT_GE(snd_seq_parse_address(seq, &pattaplex, "Pattaplex:0"), 0);
    ASSERT_GE(snd_seq_connect_from(seq, port, pattaplex.client, pattaplex.port), 0);
    output.startClock();
    int notes = 0, clocks = 0, starts = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    snd_seq_nonblock(seq, 1);
    while (std::chrono::steady_clock::now() < until) {
        snd_seq_event_t* ev = nullptr;
        if (snd_seq_event_input(seq, &ev) < 0 || !ev) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        if (ev->type == SND_SEQ_EVENT_NOTEON && ev->data.note.velocity > 0) {
            EXPECT_EQ(std::tie(ev->data.note.channel, ev->data.note.note, ev->data.note.velocity),
                      std::make_tuple(uint8_t{9}, uint8_t{42}, uint8_t{90}));
            ++notes;
        }
        clocks += ev->type == SND_SEQ_EVENT_CLOCK;
        starts += ev->type == SND_SEQ_EVENT_START;
    }
    output.stopClock();
    snd_seq_close(seq);
    EXPECT_GE(notes, 4);
    EXPECT_GE(clocks, 4 * 24);
    EXPECT_EQ(starts, 1);
}

}  // namespace
}  // namespace pattaplex
