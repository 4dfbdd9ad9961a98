// Start-up, mouse editing, the panel, grid sizes, the transport and quitting.

#include "fixture.h"

namespace pattaplex::testing {
namespace {

TEST_F(ControllerTest, StartUpOpensTheJazzKitAndFillsThePanel) {
    EXPECT_NE(stdoutText().find("Pattaplex"), std::string::npos);
    EXPECT_EQ(sound.opened, std::vector<int>{16417});
    EXPECT_EQ(join(outlets.kitField, outlets.soundNames[10], outlets.selectors[1],
                   outlets.volumeFields[3], outlets.sliders[4], state.DEMO, state.dataTOG),
              "Jazz BassDrum1 16 120 60 1 0");
    for (int s = 0; s < 64; ++s) ASSERT_EQ(state.row(3).VOL[s], 120);
}

TEST_F(ControllerTest, PreviousSettings) {
    controller->setPrev();  // right after start-up: kit 0, the kit field keeps its text
    EXPECT_EQ(join(sound.opened.back(), state.row(1).DR, outlets.kitField), "0 51 Jazz");

    controller->setKit(35);
    state.row(2).DR = 40;
    state.row(2).VOL[0] = 5;
    state.row(1).oldV = 0;  // row 1 muted: the current sounds stay
    controller->setPrev();
    EXPECT_EQ(
        join(state.KIT, state.row(2).DR, state.row(2).VOL[0], state.row(2).oldD, outlets.kitField),
        "35 40 90 40 Electric Bass");
}

// Each click toggles at most the one step it lands on; a second click switches it back.
TEST_F(ControllerTest, ClicksAgainstTheEdgeCases) {
    struct Click {
        float x, y;
        int row, step;  // row 0: no step toggled
    };
    const Click clicks[] = {{300, 310, 1, 0},    {280, 245, 3, 0},  // 12 points left is column 0
                            {306, 20, 10, 1},    {300, 318, 0, 0},  {300, 300, 0, 0},
                            {300, 252, 0, 0},    {0, 310, 0, 0},    {1412, 310, 0, 0},
                            {-1e30f, 310, 0, 0}, {1e30f, 310, 0, 0}};
    for (const Click& c : clicks) {
        SCOPED_TRACE(::testing::Message() << c.x << ", " << c.y);
        const GrooveState before = state;
        const size_t auditions = sound.auditions.size();
        controller->mouseDown(c.x, c.y);
        EXPECT_EQ(state.dataTOG, 1);
        EXPECT_EQ(sound.auditions.size(), auditions + 1);
        for (int n = 1; n <= 10; ++n)
            for (int s = 0; s < 80; ++s) {
                const DrumRow& r = state.row(n);
                if (n != c.row || s != c.step) {
                    ASSERT_EQ(r.BUF[s], before.row(n).BUF[s]) << n << ":" << s;
                    continue;
                }
                EXPECT_EQ(join(r.BUF[s], r.VOL[s], state.DEMO), join(r.DR, r.DV, n));
                EXPECT_EQ(sound.auditions.back(), std::make_pair(r.DR, r.DV));
            }
        controller->mouseDown(c.x, c.y);
        for (int n = 1; n <= 10; ++n) EXPECT_EQ(state.row(n).BUF, before.row(n).BUF);
        state = before;
    }
}

TEST_F(ControllerTest, ClickOnAMutedRowStoresVelocityZero) {
    state.row(5).DV = 0;
    controller->mouseDown(300, 180);
    EXPECT_EQ(join(state.row(5).BUF[0] != 0, state.row(5).VOL[0], state.row(5).oldV), "1 0 0");
}

TEST_F(ControllerTest, ClicksWhilePlayingWithNoRowSelected) {
    state.row(2).BUF[0] = 37;
    controller->playGroove();
    controller->mouseDown(300, 275);  // switches row 2's step off: silent, no change noted
    EXPECT_EQ(join(state.row(2).BUF[0], sound.auditions.size(), state.dataTOG), "0 0 0");
    controller->mouseDown(300, 115);  // switches row 7's step on
    EXPECT_EQ(join(state.DEMO, sound.auditions.back().first, state.dataTOG), "7 79 1");
}

TEST_F(ControllerTest, SetVolCopiesTheSelectedRowsVolumeOnly) {
    state.DEMO = 0;
    state.row(3).DV = 100;
    controller->setPos();
    EXPECT_EQ(join(state.row(3).VOL[0], state.row(3).oldV), "120 100");
    state.DEMO = 3;
    controller->setPos();
    for (int s = 0; s < 64; ++s) ASSERT_EQ(state.row(3).VOL[s], 100);
    EXPECT_EQ(state.row(1).VOL[0], 90);
}

TEST_F(ControllerTest, PanelTextsAfterEachRefresh) {
    state.row(3).DR = 42;
    controller->displayDrums();
    EXPECT_EQ(join(outlets.soundNames[3], outlets.selectors[3]), "Closed Hat 7");

    state.KIT = 1;
    state.row(1).DR = 84;
    state.row(3).DR = 35;
    state.row(4).DR = 85;  // no name: the old one stays
    state.row(5).DR = INT32_MIN;
    controller->displaySounds();
    EXPECT_EQ(join(outlets.soundNames[1], outlets.soundNames[3], outlets.soundNames[4],
                   outlets.selectors[4], outlets.kitField),
              "C6 B1 Hi Agogo 50 Piano");

    state.row(4).DV = 0;
    controller->displayVolume();
    EXPECT_EQ(join(outlets.volumeFields[4], outlets.sliders[4]), "Off 0");
}

TEST_F(ControllerTest, PanelActions) {
    outlets.sliders[2] = 0;
    controller->setVolume(2);
    EXPECT_EQ(join(state.row(2).DV, state.row(2).oldV, outlets.volumeFields[2]), "0 90 Off");

    outlets.selectors[6] = 7;
    controller->setDrum(6);
    EXPECT_EQ(join(state.row(6).DR, outlets.soundNames[6]), "42 Closed Hat");

    controller->setKit(35);
    EXPECT_EQ(join(state.oldKIT, sound.opened.back(), outlets.kitField, outlets.soundNames[1]),
              "16417 35 Electric Bass Eb3");
    controller->setKit(20000);  // a drum kit without a name
    EXPECT_EQ(join(outlets.kitField, outlets.soundNames[1]), "Electric Bass Ride 1");

    outlets.tempoSliderValue = 97;
    controller->setTempo();
    EXPECT_EQ(join(state.TEMPO, outlets.tempoFieldValue), "97 97");
}

TEST_F(ControllerTest, GridSizeActionsClearAndCanBeUndone) {
    for (auto action :
         {&GrooveController::setBars, &GrooveController::setBeats, &GrooveController::setDiv}) {
        state.row(1).BUF[3] = 51;
        (controller.get()->*action)(3);
        EXPECT_EQ(state.row(1).BUF[3], 0);
        controller->undoClear();
        controller->undoClear();  // a second undo leaves the steps as they are
        EXPECT_EQ(state.row(1).BUF[3], 51);
    }
    EXPECT_EQ(join(state.BARS, state.BEATS, state.SUB, state.dataTOG), "3 3 3 0");
}

TEST_F(ControllerTest, CleanBufsTogglesBetweenUndoAndClear) {
    state.row(1).BUF[0] = 51;
    controller->cleanBufs();  // undoTOG 0: undo
    EXPECT_EQ(outlets.undoTitle, "Revert");
    controller->cleanBufs();  // undoTOG 1: clear
    EXPECT_EQ(join(outlets.undoTitle, state.row(1).BUF[0], state.row(1).undo[0]), "Undo 0 51");
}

TEST_F(ControllerTest, PresetsAndRandomButtons) {
    controller->doPreset(3);
    EXPECT_EQ(join(outlets.fileField, outlets.tempoFieldValue, outlets.tempoSliderValue,
                   outlets.kitField, sound.opened.back(), outlets.soundNames[3]),
              "Funk 80 80 Power 16401 Tambourine");
    controller->doPreset(10);
    EXPECT_EQ(join(outlets.kitTitle, outlets.soundNames[1]), "Kalimba C4");

    controller->doRandom(2);
    EXPECT_EQ(join(state.dataTOG, outlets.undoTitle), "1 Revert");
    for (int n = 1; n <= 10; ++n) EXPECT_TRUE(state.row(n).DR >= 35 && state.row(n).DR <= 82);
}

TEST_F(ControllerTest, RowButtonsAndSoundFix) {
    controller->setTest(3);
    EXPECT_EQ(join(state.DEMO, sound.auditions.back().first, sound.auditions.back().second),
              "3 44 120");
    controller->fixQT();
    ASSERT_EQ(outlets.alerts.size(), 1u);
    EXPECT_EQ(
        join(sound.closes, sound.opened.back(), outlets.alerts[0].title, outlets.alerts[0].first),
        "1 16417 Possible QT Problem I Will");
}

TEST_F(ControllerTest, TransportStartStopPauseAndPosition) {
    controller->playGroove();
    controller->stepSounded(1);
    EXPECT_EQ(join(sound.running, outlets.playTitle, outlets.count), "1 STOP 1:2");
    state.LOOP = 5;
    key(' ');
    EXPECT_EQ(join(sound.running, outlets.playTitle, outlets.count, state.LOOP), "0 PLAY 0:0 0");

    key('p');
    state.LOOP = 7;
    outlets.count = "4:8";
    key('p');
    EXPECT_EQ(join(outlets.playTitle, state.LOOP, outlets.count), "paused 7 4:8");
    controller->playGroove();  // after 'p' was the last key, the button pauses too
    controller->playGroove();
    EXPECT_EQ(outlets.playTitle, "paused");
}

TEST_F(ControllerTest, FailedOpenHaltsPlaybackAndPlayStartsAgain) {
    controller->playGroove();
    sound.refusedKits.insert(16441);
    controller->setKit(16441);
    EXPECT_FALSE(sound.running);
    controller->playGroove();
    EXPECT_TRUE(sound.running);
}

TEST_F(ControllerTest, InfiniteRandomRerandomisesAtTheWrap) {
    state.randTOG = 3;
    controller->loopWrapping();
    int on = 0;
    for (int n = 1; n <= 10; ++n)
        for (int s = 0; s < 16; ++s) on += state.row(n).BUF[s] != 0;
    EXPECT_GT(on, 0);
    EXPECT_EQ(state.undoTOG, 1);
}

TEST_F(ControllerTest, QuitAlertAndItsAnswers) {
    controller->quit();  // nothing unsaved: no alert
    EXPECT_EQ(join(outlets.quitRequested, outlets.alerts.size()), "1 0");

    outlets.quitRequested = false;
    state.dataTOG = 1;
    state.saveSET = 1;
    outlets.alertAnswers = {-1, 1, 0};  // CANCEL, SAVE, QUIT
    controller->quit();
    ASSERT_EQ(outlets.alerts.size(), 1u);
    const Alert& a = outlets.alerts[0];
    EXPECT_EQ(a.title + "/" + a.message + "/" + a.first + "/" + a.second + "/" + a.third,
              "YOU HAVE UNSAVED DATA/WANT TO SAVE YOUR PROJECT FIRST?/SAVE/QUIT/CANCEL");
    EXPECT_EQ(join(outlets.quitRequested, outlets.saveSheets.size()), "0 0");
    controller->quit();  // SAVE: a groove save sheet, no exit
    EXPECT_EQ(join(outlets.quitRequested, outlets.saveSheets.at(0).second), "0 Groove.grv");
    controller->quit();
    EXPECT_TRUE(outlets.quitRequested);
}

}  // namespace
}  // namespace pattaplex::testing
