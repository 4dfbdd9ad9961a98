// Saving and opening through the sheets: folders, names, mode flags and what reaches the user.

#include <fstream>

#include "fixture.h"

namespace pattaplex::testing {
namespace {

namespace fs = std::filesystem;

class ControllerFilesTest : public ControllerTest {
  protected:
    std::string path(const std::string& name) { return (home / name).string(); }
    void open(void (GrooveController::*sheet)(), const std::string& name) {
        (controller.get()->*sheet)();
        controller->openPanelDidEnd(true, path(name));
    }
    void save(void (GrooveController::*sheet)(), const std::string& name) {
        (controller.get()->*sheet)();
        controller->savePanelDidEnd(true, path(name));
    }
    const Alert& onlyAlert() {
        EXPECT_EQ(outlets.alerts.size(), 1u);
        return outlets.alerts.back();
    }
};

TEST_F(ControllerFilesTest, SheetsProposeFolderAndNameByModeAndCancellingKeepsTheGroove) {
    state.dataTOG = 1;
    controller->saveFile();
    EXPECT_EQ(outlets.saveSheets.back().first, path("Desktop/Pattaplex/Saves/Grooves"));
    EXPECT_EQ(outlets.saveSheets.back().second, "Groove.grv");
    EXPECT_TRUE(fs::is_directory(home / "Desktop/Pattaplex/Saves/Grooves"));

    controller->doPreset(3);
    controller->saveDrums();
    EXPECT_EQ(outlets.saveSheets.back().second, "DrumSet.set");
    EXPECT_TRUE(fs::is_directory(home / "Desktop/Pattaplex/DrumSets"));
    controller->savePanelDidEnd(false, "");
    EXPECT_EQ(state.saveSET, 0);

    controller->saveMIDI();
    EXPECT_EQ(outlets.saveSheets.back().second, "Funk.mid");
    EXPECT_NE(stdoutText().find("\n v = "), std::string::npos);
    controller->savePanelDidEnd(false, "");
    EXPECT_EQ(state.exportMIDI, 0);
    controller->saveFile();
    EXPECT_EQ(outlets.saveSheets.back().second, "Funk.grv");

    controller->openFile();
    EXPECT_EQ(outlets.openSheets.back().first, path("Desktop/Pattaplex/Saves"));
    EXPECT_EQ(outlets.openSheets.back().second, "Funk");
    controller->openDrums();
    EXPECT_EQ(state.saveSET, 1);
    const std::string lastFile = state.lastFile;
    controller->openPanelDidEnd(false, "");
    EXPECT_EQ(state.saveSET, 0);
    EXPECT_EQ(state.lastFile, lastFile);
    EXPECT_EQ(state.dataTOG, 1);
}

TEST_F(ControllerFilesTest, GrooveSaveAndOpenRoundTrip) {
    state.dataTOG = 1;
    controller->doPreset(3);
    save(&GrooveController::saveFile, "Mine.grv");
    EXPECT_EQ(state.dataTOG, 0);
    EXPECT_EQ(outlets.fileField, "Mine.grv");
    const GrooveState funk = state;

    controller->doPreset(9);
    controller->setDefaults();
    open(&GrooveController::openFile, "Mine.grv");
    EXPECT_EQ(state.lastFile, "Mine");
    EXPECT_EQ(outlets.fileField + "/" + outlets.drumSetField, "Mine/Mine");
    EXPECT_EQ(state.SUB * 1000 + state.BARS * 100 + state.BEATS,
              funk.SUB * 1000 + funk.BARS * 100 + funk.BEATS);
    EXPECT_EQ(outlets.tempoSliderValue, 80);
    EXPECT_EQ(sound.opened.back(), 16401);
    EXPECT_EQ(outlets.kitField, "Power");
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(state.row(n).DR, funk.row(n).DR);
        EXPECT_EQ(state.row(n).DV, funk.row(n).DV);
        EXPECT_EQ(state.row(n).BUF, funk.row(n).BUF);
    }
    EXPECT_NE(stdoutText().find("\next1=grv "), std::string::npos);
}

TEST_F(ControllerFilesTest, DrumSetsSaveAndOpenWithoutTouchingTheGroove) {
    state.dataTOG = 1;
    controller->setKit(16409);
    save(&GrooveController::saveDrums, "Kit.set");
    EXPECT_EQ(outlets.fileField, "Kit.set");
    EXPECT_EQ(state.dataTOG, 1);  // only saving the groove itself makes it safe to quit

    controller->setDefaults();
    state.row(1).BUF[0] = 51;
    open(&GrooveController::openDrums, "Kit.set");
    EXPECT_EQ(state.KIT, 16409);
    EXPECT_EQ(outlets.drumSetField, "Kit");
    EXPECT_EQ(outlets.kitField, "Electronic");
    EXPECT_EQ(state.row(1).BUF[0], 51);
    EXPECT_EQ(state.saveSET, 0);

    open(&GrooveController::openFile, "Kit.set");  // a drum set is not a groove
    const Alert& a = onlyAlert();
    EXPECT_EQ(a.title + "/" + a.message + "/" + a.first, "NOT A GROOVE FILE/Try Again/Man!");
    EXPECT_EQ(state.row(1).BUF[0], 51);
}

TEST_F(ControllerFilesTest, RefusedFilesChangeNothing) {
    std::ofstream(path("junk.set")) << "not a property list";
    std::ofstream(path("Song.mid")) << "MThd";
    const GrooveState before = state;
    open(&GrooveController::openDrums, "junk.set");
    EXPECT_EQ(onlyAlert().title, "NOT A DRUM SET FILE");
    outlets.alerts.clear();
    open(&GrooveController::openFile, "Song.mid");
    EXPECT_EQ(onlyAlert().title, "Loading a midi file will crash the app");
    EXPECT_EQ(onlyAlert().second, "Cancel");
    EXPECT_NE(stdoutText().find("\next1=mid \next2=mid "), std::string::npos);
    EXPECT_EQ(state.KIT, before.KIT);
    EXPECT_EQ(state.row(1).DR, before.row(1).DR);
    EXPECT_EQ(state.lastFile, before.lastFile);
}

TEST_F(ControllerFilesTest, FailedWritesSaySoAndKeepTheGrooveUnsaved) {
    state.dataTOG = 1;
    fs::create_directories(home / "Taken.grv");
    save(&GrooveController::saveFile, "Taken.grv");
    EXPECT_NE(onlyAlert().message.find("Taken.grv"), std::string::npos);
    EXPECT_EQ(state.dataTOG, 1);
    EXPECT_NE(outlets.fileField, "Taken.grv");

    outlets.alerts.clear();
    save(&GrooveController::saveMIDI, "Out.mid");
    EXPECT_TRUE(fs::exists(home / "Out.mid"));
    EXPECT_EQ(outlets.fileField, "Out.mid");
    save(&GrooveController::saveMIDI, "missing/Out.mid");
    EXPECT_EQ(onlyAlert().title + "/" + onlyAlert().first, "WARNING/Oh No!");
    EXPECT_FALSE(fs::exists(home / "missing/Out.mid"));
    EXPECT_EQ(state.exportMIDI, 0);
}

TEST_F(ControllerFilesTest, SavingFromTheQuitAlertThenQuittingExits) {
    state.dataTOG = 1;
    outlets.alertAnswers = {1};
    controller->quit();
    controller->savePanelDidEnd(true, path("Keep.grv"));
    EXPECT_TRUE(fs::exists(home / "Keep.grv"));
    controller->quit();
    EXPECT_TRUE(outlets.quitRequested);
    EXPECT_EQ(outlets.alerts.size(), 1u);
}

}  // namespace
}  // namespace pattaplex::testing
