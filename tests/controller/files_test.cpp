// Saving and opening through the sheets: folders, names, flags and what reaches the user.

#include <fstream>

#include "fixture.h"

namespace pattaplex::testing {
namespace {

namespace fs = std::filesystem;

class ControllerFilesTest : public ControllerTest {
  protected:
    std::string saved(const std::string& name) {
        controller->saveFile();
        const std::string path = (home / name).string();
        controller->savePanelDidEnd(true, path);
        return path;
    }
};

TEST_F(ControllerFilesTest, SaveSheetsProposeFolderAndNameByMode) {
    controller->saveFile();
    EXPECT_EQ(outlets.saveSheets.back().first, (home / "Desktop/Pattaplex/Saves/Grooves").string());
    EXPECT_EQ(outlets.saveSheets.back().second, "Groove.grv");
    EXPECT_TRUE(fs::is_directory(home / "Desktop/Pattaplex/Saves/Grooves"));

    controller->doPreset(3);
    controller->saveFile();
    EXPECT_EQ(outlets.saveSheets.back().second, "Funk.grv");

    controller->saveDrums();
    EXPECT_EQ(outlets.saveSheets.back().second, "DrumSet.set");
    EXPECT_TRUE(fs::is_directory(home / "Desktop/Pattaplex/DrumSets"));

    controller->savePanelDidEnd(false, "");
    EXPECT_EQ(state.saveSET, 0);
    controller->saveMIDI();
    EXPECT_EQ(outlets.saveSheets.back().second, "Funk.mid");
    EXPECT_NE(stdoutText().find("\n v = "), std::string::npos);

    controller->openFile();
    EXPECT_EQ(outlets.openSheets.back().first, (home / "Desktop/Pattaplex/Saves").string());
    EXPECT_EQ(outlets.openSheets.back().second, "Funk");
}

TEST_F(ControllerFilesTest, CancellingASheetChangesNothingButTheFlags) {
    state.dataTOG = 1;
    controller->saveMIDI();
    controller->savePanelDidEnd(false, "");
    EXPECT_EQ(state.exportMIDI, 0);
    EXPECT_EQ(state.dataTOG, 1);
    controller->openDrums();
    controller->openPanelDidEnd(false, "");
    EXPECT_EQ(state.saveSET, 0);
    EXPECT_EQ(state.lastFile, "Groove");
}

TEST_F(ControllerFilesTest, GrooveSaveAndOpenRoundTrip) {
    controller->doPreset(3);
    const std::string path = saved("Mine.grv");
    EXPECT_EQ(state.dataTOG, 0);
    EXPECT_EQ(outlets.fileField, "Mine.grv");
    const GrooveState funk = state;

    controller->doPreset(9);
    controller->setDefaults();
    controller->openFile();
    controller->openPanelDidEnd(true, path);
    EXPECT_EQ(state.lastFile, "Mine");
    EXPECT_EQ(outlets.fileField, "Mine");
    EXPECT_EQ(outlets.drumSetField, "Mine");
    EXPECT_EQ(state.SUB, 4);
    EXPECT_EQ(state.BARS, 2);
    EXPECT_EQ(state.TEMPO, 80);
    EXPECT_EQ(outlets.tempoSliderValue, 80);
    EXPECT_EQ(state.KIT, 16401);
    EXPECT_EQ(sound.opened.back(), 16401);
    EXPECT_EQ(outlets.kitField, "Power");
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(state.row(n).DR, funk.row(n).DR);
        EXPECT_EQ(state.row(n).DV, funk.row(n).DV);
        for (int s = 0; s < 32; ++s) ASSERT_EQ(state.row(n).BUF[s], funk.row(n).BUF[s]);
    }
    EXPECT_NE(stdoutText().find("\next1=grv "), std::string::npos);
}

TEST_F(ControllerFilesTest, DrumSetsSaveAndOpenWithoutTouchingTheGroove) {
    state.dataTOG = 1;
    controller->setKit(16409);
    controller->saveDrums();
    const std::string path = (home / "Kit.set").string();
    controller->savePanelDidEnd(true, path);
    EXPECT_EQ(outlets.fileField, "Kit.set");
    // Only saving the groove itself makes it safe to quit.
    EXPECT_EQ(state.dataTOG, 1);

    controller->setDefaults();
    state.row(1).BUF[0] = 51;
    controller->openDrums();
    controller->openPanelDidEnd(true, path);
    EXPECT_EQ(state.KIT, 16409);
    EXPECT_EQ(outlets.drumSetField, "Kit");
    EXPECT_EQ(outlets.kitField, "Electronic");
    EXPECT_EQ(state.row(1).BUF[0], 51);
    EXPECT_EQ(state.saveSET, 0);

    // A drum set is not a groove.
    controller->openFile();
    controller->openPanelDidEnd(true, path);
    ASSERT_EQ(outlets.alerts.size(), 1u);
    EXPECT_EQ(outlets.alerts[0].title, "NOT A GROOVE FILE");
    EXPECT_EQ(outlets.alerts[0].message, "Try Again");
    EXPECT_EQ(outlets.alerts[0].first, "Man!");
    EXPECT_EQ(state.row(1).BUF[0], 51);
}

TEST_F(ControllerFilesTest, AnUnreadableDrumSetChangesNothing) {
    const std::string path = (home / "junk.set").string();
    std::ofstream(path) << "not a property list";
    const GrooveState before = state;
    controller->openDrums();
    controller->openPanelDidEnd(true, path);
    ASSERT_EQ(outlets.alerts.size(), 1u);
    EXPECT_EQ(outlets.alerts[0].title, "NOT A DRUM SET FILE");
    EXPECT_EQ(state.KIT, before.KIT);
    EXPECT_EQ(state.row(1).DR, before.row(1).DR);
    EXPECT_EQ(state.lastFile, before.lastFile);
}

TEST_F(ControllerFilesTest, MidiFilesAreNotOpened) {
    const std::string path = (home / "Song.mid").string();
    std::ofstream(path) << "MThd";
    controller->openFile();
    controller->openPanelDidEnd(true, path);
    ASSERT_EQ(outlets.alerts.size(), 1u);
    EXPECT_EQ(outlets.alerts[0].title, "Loading a midi file will crash the app");
    EXPECT_EQ(outlets.alerts[0].second, "Cancel");
    EXPECT_EQ(state.lastFile, "Groove");
    EXPECT_NE(stdoutText().find("\next1=mid \next2=mid "), std::string::npos);
}

TEST_F(ControllerFilesTest, AFailedSaveSaysSoAndKeepsTheGrooveUnsaved) {
    state.dataTOG = 1;
    fs::create_directories(home / "Taken.grv");
    controller->saveFile();
    controller->savePanelDidEnd(true, (home / "Taken.grv").string());
    ASSERT_EQ(outlets.alerts.size(), 1u);
    EXPECT_NE(outlets.alerts[0].message.find("Taken.grv"), std::string::npos);
    EXPECT_EQ(state.dataTOG, 1);
    EXPECT_NE(outlets.fileField, "Taken.grv");
}

TEST_F(ControllerFilesTest, MidiExportWritesAFileOrWarns) {
    controller->saveMIDI();
    controller->savePanelDidEnd(true, (home / "Out.mid").string());
    EXPECT_TRUE(fs::exists(home / "Out.mid"));
    EXPECT_EQ(outlets.fileField, "Out.mid");
    EXPECT_EQ(state.exportMIDI, 0);

    controller->saveMIDI();
    controller->savePanelDidEnd(true, (home / "missing/Out.mid").string());
    ASSERT_EQ(outlets.alerts.size(), 1u);
    EXPECT_EQ(outlets.alerts[0].title, "WARNING");
    EXPECT_EQ(outlets.alerts[0].first, "Oh No!");
    EXPECT_FALSE(fs::exists(home / "missing/Out.mid"));
    // The next plain save is a groove again.
    controller->saveFile();
    EXPECT_EQ(outlets.saveSheets.back().second, "Groove.grv");
}

TEST_F(ControllerFilesTest, SavingFromTheQuitAlertThenQuittingExits) {
    state.dataTOG = 1;
    outlets.alertAnswers = {1};
    controller->quit();
    controller->savePanelDidEnd(true, (home / "Keep.grv").string());
    EXPECT_TRUE(fs::exists(home / "Keep.grv"));
    controller->quit();
    EXPECT_TRUE(outlets.quitRequested);
    EXPECT_EQ(outlets.alerts.size(), 1u);
}

}  // namespace
}  // namespace pattaplex::testing
