// Start-up, mouse editing, the panel, grid sizes, the transport and quitting.

#include "fixture.h"

namespace pattaplex::testing {
namespace {

TEST_F(ControllerTest, StartUpOpensTheJazzKitAndFillsThePanel) {
    EXPECT_NE(stdoutText().find("Pattaplex"), std::string::npos);
    EXPECT_EQ(sound.opened, std::vector<int>{16417});
    EXPECT_EQ(outlets.kitField, "Jazz");
    EXPECT_EQ(outlets.soundNames[10], "BassDrum1");
    EXPECT_EQ(outlets.selectors[1], 16);
    EXPECT_EQ(outlets.volumeFields[3], "120");
    EXPECT_EQ(outlets.sliders[4], 60);
    for (int s = 0; s < 64; ++s) ASSERT_EQ(state.row(3).VOL[s], 120);
    EXPECT_EQ(state.DEMO, 1);
    EXPECT_EQ(state.dataTOG, 0);
}

TEST_F(ControllerTest, PreviousSettings) {
    controller->setPrev();  // right after start-up: kit 0, the kit field keeps its text
    EXPECT_EQ(sound.opened.back(), 0);
    EXPECT_EQ(state.row(1).DR, 51);
    EXPECT_EQ(outlets.kitField, "Jazz");

    controller->setKit(35);
    state.row(2).DR = 40;
    state.row(2).VOL[0] = 5;
    state.row(1).oldV = 0;  // row 1 muted: the current sounds stay
    controller->setPrev();
    EXPECT_EQ(state.KIT, 35);
    EXPECT_EQ(state.row(2).DR, 40);
    EXPECT_EQ(state.row(2).VOL[0], 90);
    EXPECT_EQ(state.row(2).oldD, 40);
    EXPECT_EQ(outlets.kitField, "Electric Bass");
}

// Each click toggles at most the one step it lands on; a second click switches it back.
TEST_F(ControllerTest, ClicksAgainstTheEdgeCases) {
    struct Click {
        float x, y;
        int row, step;  // row 0: no step toggled
    };
    const Click clicks[] = {
        {300, 310, 1, 0},    {280, 245, 3, 0},  // 12 points left of the grid is still column 0
        {306, 20, 10, 1},    {300, 318, 0, 0},  {300, 300, 0, 0},
        {300, 252, 0, 0},    {0, 310, 0, 0},    {1412, 310, 0, 0},  // columns -20 and 80
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
                if (n == c.row && s == c.step) {
                    EXPECT_EQ(r.BUF[s], r.DR);
                    EXPECT_EQ(r.VOL[s], r.DV);
                    EXPECT_EQ(state.DEMO, n);
                    EXPECT_EQ(sound.auditions.back(), std::make_pair(r.DR, r.DV));
                } else {
                    ASSERT_EQ(r.BUF[s], before.row(n).BUF[s]) << n << ":" << s;
                }
            }
        controller->mouseDown(c.x, c.y);
        EXPECT_EQ(state.row(1).BUF, before.row(1).BUF);
        state = before;
    }
}

TEST_F(ControllerTest, ClickOnAMutedRowStoresVelocityZero) {
    state.row(5).DV = 0;
    controller->mouseDown(300, 180);
    EXPECT_NE(state.row(5).BUF[0], 0);
    EXPECT_EQ(state.row(5).VOL[0], 0);
    EXPECT_EQ(state.row(5).oldV, 0);
}

TEST_F(ControllerTest, ClicksWhilePlayingWithNoRowSelected) {
    state.row(2).BUF[0] = 37;
    controller->playGroove();
    controller->mouseDown(300, 275);  // switches row 2's step off: silent, no change noted
    EXPECT_EQ(state.row(2).BUF[0], 0);
    EXPECT_TRUE(sound.auditions.empty());
    EXPECT_EQ(state.dataTOG, 0);
    controller->mouseDown(300, 115);  // switches row 7's step on
    EXPECT_EQ(state.DEMO, 7);
    EXPECT_EQ(sound.auditions.back(), std::make_pair(79, 90));
    EXPECT_EQ(state.dataTOG, 1);
}

TEST_F(ControllerTest, SetVolCopiesTheSelectedRowsVolumeOnly) {
    state.DEMO = 0;
    state.row(3).DV = 100;
    controller->setPos();
    EXPECT_EQ(state.row(3).VOL[0], 120);
    EXPECT_EQ(state.row(3).oldV, 100);
    state.DEMO = 3;
    controller->setPos();
    for (int s = 0; s < 64; ++s) ASSERT_EQ(state.row(3).VOL[s], 100);
    EXPECT_EQ(state.row(1).VOL[0], 90);
}

TEST_F(ControllerTest, PanelTextsAfterEachRefresh) {
    state.row(3).DR = 42;
    controller->displayDrums();
    EXPECT_EQ(outlets.soundNames[3], "Closed Hat");
    EXPECT_EQ(outlets.selectors[3], 7);

    state.KIT = 1;
    state.row(1).DR = 84;
    state.row(3).DR = 35;
    state.row(4).DR = 85;
    state.row(5).DR = INT32_MIN;
    controller->displaySounds();
    EXPECT_EQ(outlets.soundNames[1], "C6");
    EXPECT_EQ(outlets.soundNames[3], "B1");
    EXPECT_EQ(outlets.soundNames[4], "Hi Agogo");  // kept: no name for 85
    EXPECT_EQ(outlets.selectors[4], 50);
    EXPECT_EQ(outlets.kitField, "Piano");

    state.row(4).DV = 0;
    controller->displayVolume();
    EXPECT_EQ(outlets.volumeFields[4], "Off");
    EXPECT_EQ(outlets.sliders[4], 0);
}

TEST_F(ControllerTest, PanelActions) {
    outlets.sliders[2] = 0;
    controller->setVolume(2);
    EXPECT_EQ(state.row(2).DV, 0);
    EXPECT_EQ(state.row(2).oldV, 90);
    EXPECT_EQ(outlets.volumeFields[2], "Off");

    outlets.selectors[6] = 7;
    controller->setDrum(6);
    EXPECT_EQ(state.row(6).DR, 42);
    EXPECT_EQ(outlets.soundNames[6], "Closed Hat");

    controller->setKit(35);
    EXPECT_EQ(state.oldKIT, 16417);
    EXPECT_EQ(sound.opened.back(), 35);
    EXPECT_EQ(outlets.kitField, "Electric Bass");
    EXPECT_EQ(outlets.soundNames[1], "Eb3");
    controller->setKit(20000);  // a drum kit without a name
    EXPECT_EQ(outlets.kitField, "Electric Bass");
    EXPECT_EQ(outlets.soundNames[1], "Ride 1");

    outlets.tempoSliderValue = 97;
    controller->setTempo();
    EXPECT_EQ(state.TEMPO, 97);
    EXPECT_EQ(outlets.tempoFieldValue, 97);
}

TEST_F(ControllerTest, GridSizeActionsClearAndCanBeUndone) {
    void (GrooveController::*const actions[])(int) = {
        &GrooveController::setBars, &GrooveController::setBeats, &GrooveController::setDiv};
    for (auto action : actions) {
        state.row(1).BUF[3] = 51;
        (controller.get()->*action)(3);
        EXPECT_EQ(state.row(1).BUF[3], 0);
        controller->undoClear();
        EXPECT_EQ(state.row(1).BUF[3], 51);
        controller->undoClear();  // a second undo leaves the steps as they are
        EXPECT_EQ(state.row(1).BUF[3], 51);
    }
    EXPECT_EQ(state.BARS * 100 + state.BEATS * 10 + state.SUB, 333);
    EXPECT_EQ(state.dataTOG, 0);
}

TEST_F(ControllerTest, CleanBufsTogglesBetweenUndoAndClear) {
    state.row(1).BUF[0] = 51;
    controller->cleanBufs();  // undoTOG 0: undo
    EXPECT_EQ(outlets.undoTitle, "Revert");
    controller->cleanBufs();  // undoTOG 1: clear
    EXPECT_EQ(outlets.undoTitle, "Undo");
    EXPECT_EQ(state.row(1).BUF[0], 0);
    EXPECT_EQ(state.row(1).undo[0], 51);
}

TEST_F(ControllerTest, PresetsAndRandomButtons) {
    controller->doPreset(3);
    EXPECT_EQ(outlets.fileField, "Funk");
    EXPECT_EQ(outlets.tempoFieldValue, 80);
    EXPECT_EQ(outlets.tempoSliderValue, 80);
    EXPECT_EQ(outlets.kitField, "Power");
    EXPECT_EQ(sound.opened.back(), 16401);
    EXPECT_EQ(outlets.soundNames[3], "Tambourine");
    controller->doPreset(10);
    EXPECT_EQ(outlets.kitTitle, "Kalimba");
    EXPECT_EQ(outlets.soundNames[1], "C4");

    controller->doRandom(2);
    EXPECT_EQ(state.dataTOG, 1);
    EXPECT_EQ(outlets.undoTitle, "Revert");
    for (int n = 1; n <= 10; ++n) EXPECT_TRUE(state.row(n).DR >= 35 && state.row(n).DR <= 82);
}

TEST_F(ControllerTest, RowButtonsAndSoundFix) {
    controller->setTest(3);
    EXPECT_EQ(state.DEMO, 3);
    EXPECT_EQ(sound.auditions.back(), std::make_pair(44, 120));
    controller->fixQT();
    EXPECT_EQ(sound.closes, 1);
    EXPECT_EQ(sound.opened.back(), 16417);
    ASSERT_EQ(outlets.alerts.size(), 1u);
    EXPECT_EQ(outlets.alerts[0].title, "Possible QT Problem");
    EXPECT_EQ(outlets.alerts[0].first, "I Will");
}

TEST_F(ControllerTest, TransportStartStopPauseAndPosition) {
    controller->playGroove();
    EXPECT_TRUE(sound.running);
    EXPECT_EQ(outlets.playTitle, "STOP");
    controller->stepSounded(1);
    EXPECT_EQ(outlets.count, "1:2");
    state.LOOP = 5;
    key(' ');
    EXPECT_FALSE(sound.running);
    EXPECT_EQ(outlets.playTitle, "PLAY");
    EXPECT_EQ(outlets.count, "0:0");
    EXPECT_EQ(state.LOOP, 0);

    key('p');
    state.LOOP = 7;
    outlets.count = "4:8";
    key('p');
    EXPECT_EQ(outlets.playTitle, "paused");
    EXPECT_EQ(state.LOOP, 7);
    EXPECT_EQ(outlets.count, "4:8");
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
    EXPECT_TRUE(outlets.quitRequested);
    EXPECT_TRUE(outlets.alerts.empty());

    outlets.quitRequested = false;
    state.dataTOG = 1;
    state.saveSET = 1;
    outlets.alertAnswers = {-1, 1, 0};  // CANCEL, SAVE, QUIT
    controller->quit();
    ASSERT_EQ(outlets.alerts.size(), 1u);
    const Alert& a = outlets.alerts[0];
    EXPECT_EQ(a.title, "YOU HAVE UNSAVED DATA");
    EXPECT_EQ(a.message, "WANT TO SAVE YOUR PROJECT FIRST?");
    EXPECT_EQ(a.first + "/" + a.second + "/" + a.third, "SAVE/QUIT/CANCEL");
    EXPECT_FALSE(outlets.quitRequested);
    EXPECT_TRUE(outlets.saveSheets.empty());

    controller->quit();  // SAVE: a groove save sheet, no exit
    EXPECT_FALSE(outlets.quitRequested);
    ASSERT_EQ(outlets.saveSheets.size(), 1u);
    EXPECT_EQ(outlets.saveSheets[0].second, "Groove.grv");

    controller->quit();
    EXPECT_TRUE(outlets.quitRequested);
}

}  // namespace
}  // namespace pattaplex::testing
