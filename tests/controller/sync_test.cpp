// Following an outside MIDI clock as the window sees it: where the tempo comes from, a
// tempo nobody can change meanwhile, and the outside clock's starts and stops.

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

}  // namespace
}  // namespace pattaplex::testing
