// Start-up, sound settings, mouse editing, the panel, the transport and quitting.

#include "fixture.h"

namespace pattaplex::testing {
namespace {

TEST_F(ControllerTest, StartUpOpensTheJazzKitAndFillsThePanel) {
    EXPECT_NE(stdoutText().find("Pattaplex"), std::string::npos);
    EXPECT_EQ(sound.opened, std::vector<int>{16417});
    EXPECT_EQ(outlets.kitField, "Jazz");
    EXPECT_EQ(outlets.soundNames[1], "Ride 1");
    EXPECT_EQ(outlets.soundNames[10], "BassDrum1");
    EXPECT_EQ(outlets.selectors[1], 16);
    EXPECT_EQ(outlets.volumeFields[3], "120");
    EXPECT_EQ(outlets.sliders[4], 60);
    for (int s = 0; s < 64; ++s) ASSERT_EQ(state.row(3).VOL[s], 120);
    EXPECT_EQ(state.DEMO, 1);
    EXPECT_EQ(state.dataTOG, 0);
}

TEST_F(ControllerTest, PreviousSettingsRightAfterStartUpReopenKitZero) {
    controller->setPrev();
    EXPECT_EQ(state.KIT, 0);
    EXPECT_EQ(sound.opened.back(), 0);
    EXPECT_EQ(state.row(1).DR, 51);
    // The kit field keeps its text for a kit without a name.
    EXPECT_EQ(outlets.kitField, "Jazz");
}

TEST_F(ControllerTest, PreviousSettingsWithRowOneMutedKeepTheCurrentSounds) {
    controller->setKit(35);
    state.row(2).DR = 40;
    state.row(2).VOL[0] = 5;
    state.row(1).oldV = 0;
    controller->setPrev();
    EXPECT_EQ(state.KIT, 35);
    EXPECT_EQ(state.row(2).DR, 40);
    EXPECT_EQ(state.row(2).VOL[0], 90);
    EXPECT_EQ(state.oldKIT, 35);
    EXPECT_EQ(state.row(2).oldD, 40);
    EXPECT_EQ(outlets.kitField, "Electric Bass");
}

TEST_F(ControllerTest, ClickSwitchesAStepOnAndOffAndAuditionsTheRow) {
    controller->mouseDown(300, 310);
    EXPECT_EQ(state.row(1).BUF[0], 51);
    EXPECT_EQ(state.row(1).VOL[0], 90);
    EXPECT_EQ(state.DEMO, 1);
    EXPECT_EQ(state.dataTOG, 1);
    EXPECT_EQ(sound.auditions.back(), std::make_pair(51, 90));
    controller->mouseDown(300, 310);
    EXPECT_EQ(state.row(1).BUF[0], 0);
    EXPECT_EQ(sound.auditions.size(), 2u);
    EXPECT_EQ(outlets.redraws > 0, true);
}

TEST_F(ControllerTest, ClickColumnsAndBands) {
    controller->mouseDown(280, 245);  // 12 points left of the grid: column 0, row 3
    EXPECT_EQ(state.G, 0);
    EXPECT_EQ(state.row(3).BUF[0], 44);
    controller->mouseDown(306, 20);  // column 1, row 10
    EXPECT_EQ(state.row(10).BUF[1], 36);

    const GrooveState before = state;
    for (float y : {318.0f, 300.0f, 252.0f}) controller->mouseDown(300, y);
    for (int n = 1; n <= 10; ++n) EXPECT_EQ(state.row(n).BUF, before.row(n).BUF) << n;
    // A click outside every band still auditions the selected row.
    EXPECT_EQ(sound.auditions.size(), 5u);
}

TEST_F(ControllerTest, ClicksOutsideTheBuffersToggleNothing) {
    const GrooveState before = state;
    controller->mouseDown(0, 310);     // column -20
    controller->mouseDown(1412, 310);  // column 80
    controller->mouseDown(-1e30f, 310);
    controller->mouseDown(1e30f, 310);
    EXPECT_EQ(state.row(1).BUF, before.row(1).BUF);
    EXPECT_EQ(state.row(1).VOL, before.row(1).VOL);
    EXPECT_EQ(sound.auditions.size(), 4u);
    EXPECT_EQ(state.dataTOG, 1);
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
    ASSERT_EQ(state.DEMO, 0);
    controller->mouseDown(300, 275);  // switches row 2's step off
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
    state.row(1).DV = 10;
    controller->setPos();
    for (int s = 0; s < 64; ++s) ASSERT_EQ(state.row(3).VOL[s], 100);
    EXPECT_EQ(state.row(1).VOL[0], 90);
    EXPECT_EQ(state.GRID, 1);
}

TEST_F(ControllerTest, PanelRefreshShowsNamesSelectorsAndVolumes) {
    state.row(3).DR = 42;
    controller->displayDrums();
    EXPECT_EQ(outlets.soundNames[3], "Closed Hat");
    EXPECT_EQ(outlets.selectors[3], 7);

    state.KIT = 1;
    state.row(1).DR = 84;
    state.row(2).DR = 72;
    state.row(3).DR = 35;
    state.row(4).DR = 85;
    state.row(5).DR = INT32_MIN;
    controller->displaySounds();
    EXPECT_EQ(outlets.soundNames[1], "C6");
    EXPECT_EQ(outlets.soundNames[2], "C5");
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
    state.row(2).VOL[0] = 90;
    controller->setVolume(2);
    EXPECT_EQ(state.row(2).DV, 0);
    EXPECT_EQ(state.row(2).oldV, 90);
    EXPECT_EQ(outlets.volumeFields[2], "Off");
    EXPECT_EQ(state.row(2).VOL[0], 90);

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
}

TEST_F(ControllerTest, GridSizeSelectorsClearAndCanBeUndone) {
    state.row(1).BUF[3] = 51;
    controller->setBeats(5);
    EXPECT_EQ(state.BEATS, 5);
    EXPECT_EQ(state.row(1).BUF[3], 0);
    controller->undoClear();
    EXPECT_EQ(state.row(1).BUF[3], 51);
    controller->undoClear();  // a second undo leaves the steps as they are
    EXPECT_EQ(state.row(1).BUF[3], 51);
    controller->setBars(3);
    controller->setDiv(4);
    EXPECT_EQ(state.BARS, 3);
    EXPECT_EQ(state.SUB, 4);
    EXPECT_EQ(state.dataTOG, 0);
}

TEST_F(ControllerTest, CleanBufsTogglesBetweenUndoAndClear) {
    state.row(1).BUF[0] = 51;
    controller->cleanBufs();  // undoTOG 0: undo
    EXPECT_EQ(outlets.undoTitle, "Revert");
    EXPECT_EQ(state.undoTOG, 1);
    controller->cleanBufs();  // undoTOG 1: clear
    EXPECT_EQ(outlets.undoTitle, "Undo");
    EXPECT_EQ(state.row(1).BUF[0], 0);
    EXPECT_EQ(state.row(1).undo[0], 51);
}

TEST_F(ControllerTest, PresetsShowNameTempoKitAndReopenTheOutput) {
    controller->doPreset(3);
    EXPECT_EQ(outlets.fileField, "Funk");
    EXPECT_EQ(outlets.tempoFieldValue, 80);
    EXPECT_EQ(outlets.tempoSliderValue, 80);
    EXPECT_EQ(outlets.kitField, "Power");
    EXPECT_EQ(sound.opened.back(), 16401);
    EXPECT_EQ(outlets.soundNames[3], "Tambourine");

    controller->doPreset(10);
    EXPECT_EQ(outlets.kitTitle, "Kalimba");
    EXPECT_EQ(outlets.kitField, "Kalimba");
    EXPECT_EQ(outlets.soundNames[1], "C4");
    EXPECT_EQ(state.randTOG, 4);
}

TEST_F(ControllerTest, RandomButtons) {
    controller->doRandom(2);
    EXPECT_EQ(state.dataTOG, 1);
    EXPECT_EQ(outlets.undoTitle, "Revert");
    for (int n = 1; n <= 10; ++n) {
        EXPECT_GE(state.row(n).DR, 35);
        EXPECT_LE(state.row(n).DR, 82);
    }
    controller->doRandom(4);
    int on = 0;
    for (int n = 1; n <= 10; ++n)
        for (int s = 0; s < 16; ++s) on += state.row(n).BUF[s] != 0;
    EXPECT_GT(on, 0);
}

TEST_F(ControllerTest, RowButtonsAndSoundFix) {
    controller->setTest(3);
    EXPECT_EQ(state.DEMO, 3);
    EXPECT_EQ(sound.auditions.back(), std::make_pair(44, 120));
    state.row(4).DV = 0;
    controller->setTest(4);
    EXPECT_EQ(sound.auditions.back(), std::make_pair(68, 0));  // the output sounds nothing

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
    EXPECT_EQ(state.DEMO, 0);

    controller->stepSounded(1);
    EXPECT_EQ(outlets.count, "1:2");
    controller->stepSounded(0);
    EXPECT_EQ(outlets.count, "1:1");
    state.LOOP = 5;

    key(' ');
    EXPECT_FALSE(sound.running);
    EXPECT_EQ(outlets.playTitle, "PLAY");
    EXPECT_EQ(outlets.count, "0:0");
    EXPECT_EQ(state.LOOP, 0);

    key('p');
    EXPECT_TRUE(sound.running);
    state.LOOP = 7;
    outlets.count = "4:8";
    key('p');
    EXPECT_EQ(outlets.playTitle, "paused");
    EXPECT_EQ(state.LOOP, 7);
    EXPECT_EQ(outlets.count, "4:8");
    // After 'p' was the last key, the button pauses too.
    controller->playGroove();
    controller->playGroove();
    EXPECT_EQ(outlets.playTitle, "paused");
}

TEST_F(ControllerTest, FailedOpenHaltsPlaybackAndPlayStartsAgain) {
    controller->playGroove();
    sound.refusedKits.insert(16441);
    controller->setKit(16441);
    EXPECT_FALSE(sound.running);
    EXPECT_EQ(outlets.playTitle, "STOP");
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

TEST_F(ControllerTest, TempoSlider) {
    outlets.tempoSliderValue = 97;
    controller->setTempo();
    EXPECT_EQ(state.TEMPO, 97);
    EXPECT_EQ(outlets.tempoFieldValue, 97);
}

TEST_F(ControllerTest, QuitWithoutChangesExitsAtOnce) {
    controller->quit();
    EXPECT_TRUE(outlets.quitRequested);
    EXPECT_TRUE(outlets.alerts.empty());
}

TEST_F(ControllerTest, QuitAsksFirstWhenThereAreChanges) {
    state.dataTOG = 1;
    outlets.alertAnswers = {-1};  // CANCEL
    controller->quit();
    ASSERT_EQ(outlets.alerts.size(), 1u);
    const Alert& a = outlets.alerts[0];
    EXPECT_EQ(a.title, "YOU HAVE UNSAVED DATA");
    EXPECT_EQ(a.message, "WANT TO SAVE YOUR PROJECT FIRST?");
    EXPECT_EQ(a.first + "/" + a.second + "/" + a.third, "SAVE/QUIT/CANCEL");
    EXPECT_FALSE(outlets.quitRequested);
    EXPECT_EQ(state.dataTOG, 1);

    outlets.alertAnswers = {1};  // SAVE: a groove save sheet, no exit
    state.saveSET = 1;
    controller->quit();
    EXPECT_FALSE(outlets.quitRequested);
    ASSERT_EQ(outlets.saveSheets.size(), 1u);
    EXPECT_EQ(outlets.saveSheets[0].second, "Groove.grv");

    outlets.alertAnswers = {0};  // QUIT
    controller->quit();
    EXPECT_TRUE(outlets.quitRequested);
}

}  // namespace
}  // namespace pattaplex::testing
