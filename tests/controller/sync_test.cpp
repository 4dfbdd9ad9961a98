// Following an outside clock as the window sees it: where the tempo comes from, a tempo
// nobody can change meanwhile (or everyone can, in a Link session), the outside clock's
// starts and stops, and Link's peers.

#include "fixture.h"

namespace pattaplex::testing {
namespace {

TEST_F(ControllerTest, AnOutsideClockSetsTheTempoAndTheTransport) {
    state.TEMPO = 120;
    controller->playGroove();
    const MidiSettings follow{.sendNotes = true, .sync = SyncSource::MidiClock};
    controller->setMidi(follow);
    EXPECT_EQ(sound.midi, follow);
    EXPECT_EQ(outlets.shown["tempoSource"], "Tempo from MIDI clock (fixed)");
    EXPECT_EQ(outlets.shown["playTitle"], "PLAY");  // changing over stopped playback

    // No way of changing the tempo works while the clock is followed.
    outlets.shown["tempoSlider"] = "90";
    controller->setTempo();
    controller->typeTempo(100);
    controller->tapTempo();
    controller->tapTempo();
    key(',');
    key('.');
    EXPECT_EQ(state.TEMPO, 120);

    controller->followedTempo(137.4);
    EXPECT_EQ(outlets.shown["tempoField"], "137");
    controller->followedTransport(true, "");
    EXPECT_EQ(outlets.shown["playTitle"], "STOP");
    controller->followedTransport(false, "MIDI clock lost: stopped");
    EXPECT_EQ(outlets.shown["playTitle"], "PLAY");
    EXPECT_EQ(outlets.shown["tempoSource"], "MIDI clock lost: stopped (fixed)");

    // Back to the groove's own tempo.
    controller->setMidi({.sendNotes = true});
    EXPECT_EQ(outlets.shown["tempoSource"], "");
    EXPECT_EQ(outlets.shown["tempoField"], "120");
    controller->typeTempo(100);
    EXPECT_EQ(state.TEMPO, 100);
}

TEST_F(ControllerTest, ALinkSessionsTempoIsEveryonesAndJackTransportsIsItsMasters) {
    state.TEMPO = 120;
    controller->setMidi({.sync = SyncSource::Link});
    EXPECT_EQ(outlets.shown["tempoSource"], "Tempo shared with Link");
    EXPECT_EQ(outlets.shown["linkStatus"], "Link: 0 peers");
    controller->linkPeers(2);
    EXPECT_EQ(outlets.shown["linkStatus"], "Link: 2 peers");
    controller->linkPeers(1);
    EXPECT_EQ(outlets.shown["linkStatus"], "Link: 1 peer");
    // Our tempo goes to the session; a peer's becomes the groove's, within its range.
    controller->typeTempo(100);
    EXPECT_EQ(state.TEMPO, 100);
    controller->followedTempo(133.4);
    EXPECT_EQ(state.TEMPO, 133);
    EXPECT_EQ(outlets.shown["tempoField"], "133");
    controller->followedTempo(300);
    EXPECT_EQ(state.TEMPO, kFastestTempo);
    EXPECT_EQ(outlets.shown["tempoField"], "300");

    // JACK transport: its timebase master's tempo, unless we are the master; without a
    // master, the groove's own.
    controller->setMidi({.sync = SyncSource::JackTransport});
    EXPECT_EQ(outlets.shown["linkStatus"], "");
    EXPECT_EQ(outlets.shown["tempoSource"], "Position from JACK transport");
    controller->typeTempo(110);
    EXPECT_EQ(state.TEMPO, 110);
    controller->followedTempo(97);
    EXPECT_EQ(outlets.shown["tempoSource"], "Tempo from JACK transport (fixed)");
    EXPECT_EQ(outlets.shown["tempoField"], "97");
    controller->typeTempo(90);
    EXPECT_EQ(state.TEMPO, 110);
    controller->followedTempo(0);  // the master left
    EXPECT_EQ(outlets.shown["tempoSource"], "Position from JACK transport");
    EXPECT_EQ(outlets.shown["tempoField"], "110");
    controller->setMidi({.sync = SyncSource::JackTransport, .timebaseMaster = true});
    EXPECT_EQ(outlets.shown["tempoSource"], "Tempo to JACK transport");
    controller->typeTempo(90);
    EXPECT_EQ(state.TEMPO, 90);
    EXPECT_EQ(sound.midi.sync, SyncSource::JackTransport);
    EXPECT_TRUE(sound.midi.timebaseMaster);
}

}  // namespace
}  // namespace pattaplex::testing
