// Start-up, mouse editing, the panel, grid sizes, the transport and quitting.

#include <cmath>
#include <functional>

#include "fixture.h"

namespace pattaplex::testing {
namespace {

struct ActionCase {
    const char* before;  // set on the started groove first
    std::function<void(World&)> act;
    const char* expected;
};

const ActionCase kActions[] = {
    {"", [](World&) {},
     "kit=16417, kitField=Jazz, name10=BassDrum1, sel1=16, vol3=120, slider4=60, VOL3=120, "
     "DEMO=1, dataTOG=0"},
    // Previous settings right after start-up: none recorded, so the sound stays.
    {"", [](World& w) { w.c.setPrev(); }, "KIT=16417, kit=16417, DR1=51, DV3=120, kitField=Jazz"},
    {"", [](World& w) { w.c.setKit(35), w.c.setPrev(); }, "KIT=16417, kit=16417, kitField=Jazz"},
    {"",
     [](World& w) {
         w.c.setKit(35);
         set(w.s, "DR2=40, VOL2.0=5, oldV1=0");  // unusable previous settings: these stay
         w.c.setPrev();
     },
     "KIT=35, DR2=40, VOL2.0=90, kitField=Electric Bass"},
    // A muted row keeps the volume it had, whatever touches it, so its mute key brings
    // that back.
    {"DV5=0", [](World& w) { w.c.mouseDown(300, 180); },
     "VOL5=mixed, VOL5.0=0, oldV5=90, BUF5.0=67"},
    {"DV3=0", [](World& w) { w.c.setPos(), w.c.keyDown(kOptionDigits[2], kOptionKey); },
     "DV3=120, vol3=120"},
    {"",
     [](World& w) {
         w.c.keyDown(kOptionDigits[1], kOptionKey);
         w.c.beginVolumeDrag(2);
         w.o.shown["slider2"] = "0", w.c.setVolume(2);
         w.c.endVolumeDrag();
         w.c.keyDown(kOptionDigits[1], kOptionKey);
     },
     "DV2=90, vol2=90"},
    {"DV4=0", [](World& w) { w.c.doRandom(4), w.c.keyDown(kOptionDigits[3], kOptionKey); },
     "DV4=61"},  // the row's last random velocity, as the randomiser remembers it
    // Clicks while playing, with no row selected.
    {"BUF2.0=37", [](World& w) { w.c.playGroove(), w.c.mouseDown(300, 275); },
     "BUF2.0=0, auditions=0, dataTOG=0"},
    {"", [](World& w) { w.c.playGroove(), w.c.mouseDown(300, 115); },
     "BUF7.0=79, DEMO=7, audition=79 90, dataTOG=1"},
    {"DEMO=0, DV3=100", [](World& w) { w.c.setPos(); }, "VOL3=120, oldV3=100"},
    {"DEMO=3, DV3=100", [](World& w) { w.c.setPos(); }, "VOL3=100, VOL1=90"},
    // The panel after each refresh.
    {"DR3=42", [](World& w) { w.c.displayDrums(); }, "name3=Closed Hat, sel3=7"},
    {"KIT=1, DR1=84, DR3=35, DR4=85, DR5=-2147483648", [](World& w) { w.c.displaySounds(); },
     "name1=C6, name3=B1, name4=Hi Agogo, sel4=50, kitField=Piano"},
    {"DV4=0", [](World& w) { w.c.displayVolume(); }, "vol4=Off, slider4=0"},
    // The panel's own actions.
    {"", [](World& w) { w.o.shown["slider2"] = "0", w.c.setVolume(2); },
     "DV2=0, oldV2=90, vol2=Off"},
    // A drag to 0 is one change: the mute key brings back the volume from before it.
    {"",
     [](World& w) {
         w.c.beginVolumeDrag(2);
         for (const char* v : {"60", "30", "0"}) w.o.shown["slider2"] = v, w.c.setVolume(2);
         w.c.endVolumeDrag();
         w.c.keyDown(kOptionDigits[1], kOptionKey);
     },
     "DV2=90, oldV2=90, vol2=90, dataTOG=0"},
    {"", [](World& w) { w.o.shown["sel6"] = "7", w.c.setDrum(6); }, "DR6=42, name6=Closed Hat"},
    {"", [](World& w) { w.c.setKit(35); },
     "oldKIT=16417, kit=35, kitField=Electric Bass, name1=Eb3"},
    {"", [](World& w) { w.c.setKit(35), w.c.setKit(20000); },  // a drum kit without a name
     "kitField=Electric Bass, name1=Ride 1"},
    {"", [](World& w) { w.o.shown["tempoSlider"] = "97", w.c.setTempo(); },
     "TEMPO=97, tempoField=97"},
    {"", [](World& w) { w.c.doPreset(3); },
     "fileField=Funk, tempoField=80, tempoSlider=80, kitField=Power, kit=16401, name3=Tambourine"},
    {"", [](World& w) { w.c.doPreset(10); }, "kitTitle=Kalimba, kitField=Kalimba, name1=C4"},
    // The kit button names the kit that plays, however it was chosen.
    {"", [](World& w) { w.c.setKit(16409); }, "kitTitle=Electronic"},
    {"", [](World& w) { w.c.setKit(16409), w.c.undoEdit(); }, "kitTitle=Jazz"},
    {"randTOG=3", [](World& w) { w.c.loopWrapping(); }, "undoTOG=1, anySteps=1"},
    {"DV4=0", [](World& w) { w.c.setTest(4); }, "audition=68 0"},
    // Fix Sound reports a restart in the status line, and alerts only when it fails.
    {"", [](World& w) { w.c.fixQT(); },
     "closes=1, kit=16417, status=Sound restarted: 48000 Hz through JACK, alerts=-"},
    {"",
     [](World& w) {
         w.snd.refusedKits.insert(16417), w.snd.status = "No sound: no JACK server running";
         w.c.fixQT();
     },
     "status=-, alert=Possible QT Problem, alertButtons=I Will//, "
     "alertMessage=The sound could not be restarted: no JACK server running.\n\n"
     "Save your project; then quit Pattaplex and start it again."},
    // A refused output halts playback; Play starts it again.
    {"", [](World& w) { w.c.playGroove(), w.snd.refusedKits.insert(16441), w.c.setKit(16441); },
     "running=0, playTitle=STOP"},
    {"",
     [](World& w) {
         w.c.playGroove(), w.snd.refusedKits.insert(16441), w.c.setKit(16441);
         w.c.playGroove();
     },
     "running=1"},
};

TEST_F(ControllerTest, EveryActionOfThePanel) {
    EXPECT_NE(stdoutText().find("Pattaplex"), std::string::npos);
    EXPECT_EQ(sound.opened, std::vector<int>{16417});
    for (const ActionCase& a : kActions) {
        SCOPED_TRACE(a.expected);
        World w = copy();
        set(w.s, a.before);
        a.act(w);
        expectShown(shown(w.s, w.o, w.snd), a.expected);
    }
}

// A click anywhere between a row's top line and the next row's toggles that row's step;
// beside the grid it toggles nothing and changes nothing, but the selected row is heard.
TEST_F(ControllerTest, ClicksAgainstTheEdgeCases) {
    const char* const outside = "steps=0, DEMO=1, auditions=1, dataTOG=0";
    const struct {
        float x, y;
        const char* shown;
    } clicks[] = {{300, 310, "steps=1, BUF1.0=51, DEMO=1, audition=51 90, dataTOG=1"},
                  {300, 318, "steps=1, BUF1.0=51"},          // the top line
                  {300, 287, "steps=1, BUF1.0=51"},          // the spacer below row 1
                  {300, 286, "steps=1, BUF2.0=37"},          // row 2's top line
                  {300, 252, "steps=1, BUF3.0=44, DEMO=3"},  // below row 3's band
                  {306, 20, "steps=1, BUF10.1=36, DEMO=10"},
                  {300, 14, "steps=1, BUF10.0=36"},         // the bottom line
                  {292, 200, "steps=1, BUF4.0=68"},         // the first line
                  {516, 200, "steps=1, DEMO=4, BUF4.0=0"},  // the last line: step 15
                  {300, 319, outside},
                  {300, 13, outside},
                  {291, 310, outside},  // left of the first line, once column 0
                  {517, 310, outside},
                  {1398, 310, outside},  // once step 79, beyond the groove
                  {0, 310, outside},
                  {-1e30f, 310, outside},
                  {1e30f, 310, outside},
                  {300, NAN, outside}};
    const GrooveState before = state;
    for (const auto& c : clicks) {
        SCOPED_TRACE(::testing::Message() << c.x << ", " << c.y);
        state = before;
        sound.auditions.clear();
        controller->mouseDown(c.x, c.y);
        check(c.shown);
        EXPECT_EQ(state.row(1).BUF[79], 0);
    }
}

// A grid size the drawing pass will not keep says why in the status line.
TEST_F(ControllerTest, GridSizesOverTheCapSayWhy) {
    using Resize = std::function<void(GrooveController&)>;
    const std::tuple<const char*, Resize, const char*> kCases[] = {
        {"BARS=6, BEATS=4, SUB=2", [](GrooveController& c) { c.setBeats(9); },
         "At most 54 steps: 6 bars of 9 beats need 1 step per beat"},
        {"BARS=2, BEATS=9, SUB=2", [](GrooveController& c) { c.setBars(6); },
         "At most 54 steps: 6 bars of 9 beats need 1 step per beat"},
        {"BARS=6, BEATS=9, SUB=1", [](GrooveController& c) { c.setDiv(2); },
         "At most 54 steps: 6 bars of 9 beats need 1 step per beat"},
        {"BARS=3, BEATS=9, SUB=2", [](GrooveController& c) { c.setDiv(3); },
         "At most 54 steps: 3 bars of 9 beats need at most 2 steps per beat"},
        {"BARS=3, BEATS=9, SUB=2", [](GrooveController& c) { c.keyDown(']', 0); },
         "At most 54 steps: 4 bars of 9 beats need 1 step per beat"},
        {"BARS=6, BEATS=9, SUB=2", [](GrooveController& c) { c.setDiv(1); }, "-"},
        {"", [](GrooveController& c) { c.setBars(6); }, "-"},
    };
    for (const auto& [before, resize, status] : kCases) {
        SCOPED_TRACE(status);
        World w = copy();
        set(w.s, before);
        resize(w.c);
        expectShown(shown(w.s, w.o, w.snd), std::string("status=") + status);
    }
}

// Each grid size action clears into the undo copy; the clear's own tests cover undoing it.
TEST_F(ControllerTest, GridSizeActionsClear) {
    for (auto action :
         {&GrooveController::setBars, &GrooveController::setBeats, &GrooveController::setDiv}) {
        state.row(1).BUF[3] = 51;
        (controller.get()->*action)(3);
        check("BUF1.3=0, undo1.3=51");
    }
    check("BARS=3, BEATS=3, SUB=3, dataTOG=0");
}

// The clear/undo button's title always says what a press does, and a clear never loses
// the steps the last one kept.
TEST_F(ControllerTest, TheClearButtonDoesWhatItsTitleSays) {
    const auto press = [this] { controller->run(Command::CleanBufs); };
    check("undoTitle=Clear");
    set(state, "BUF2.4=37, BUF5.0=67");
    press();
    check("steps=0, undo2.4=37, undoTOG=1, undoTitle=Undo");
    press();
    check("steps=2, BUF2.4=37, undoTOG=0, undoTitle=Clear");
    key(kDeleteKey);
    key(kDeleteKey);  // the empty grid keeps the copy
    check("steps=0, undoTitle=Undo");
    press();
    check("steps=2, BUF5.0=67, undoTitle=Clear");
    key(kDeleteKey), key('u');
    check("steps=2, undoTitle=Clear");
    key('r');  // a refill reverts
    check("undoTitle=Revert");
    press();
    check("steps=2, BUF2.4=37, BUF5.0=67, undoTitle=Clear");
    controller->doPreset(3);  // any clear can be undone by the button
    check("undoTitle=Undo");
    press();
    check("steps=2, BUF2.4=37, undoTitle=Clear");
    controller->undoEdit();  // the edit history puts the button back as it was
    check("undoTOG=1, undoTitle=Undo");
}

TEST_F(ControllerTest, TransportStartStopPauseAndPosition) {
    controller->playGroove();
    controller->stepSounded(1);
    check("running=1, playTitle=STOP, count=1:2");
    state.LOOP = 5;
    key(' ');
    check("running=0, playTitle=PLAY, count=0:0, LOOP=0");
    key('p');
    state.LOOP = 7;
    outlets.shown["count"] = "4:8";
    key('p');
    check("playTitle=paused, LOOP=7, count=4:8");
    controller->playGroove();  // after 'p' was the last key, the button pauses too
    controller->playGroove();
    check("playTitle=paused");
}

// The window's tests answer the alert; here, the save it offers is a groove's.
TEST_F(ControllerTest, QuitAlertAndItsAnswers) {
    controller->quit();  // nothing unsaved: no alert
    EXPECT_TRUE(outlets.quitRequested);
    outlets.quitRequested = false;
    set(state, "dataTOG=1, saveSET=1");
    outlets.alertAnswers = {1};  // SAVE
    controller->quit();
    check("alerts=1, alert=YOU HAVE UNSAVED DATA, saved=Groove.grv");
    EXPECT_FALSE(outlets.quitRequested);
}

}  // namespace
}  // namespace pattaplex::testing
