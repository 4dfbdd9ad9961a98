// Saving and opening through the sheets: folders, names, mode flags and what reaches the user.

#include <fstream>

#include "fixture.h"

namespace pattaplex::testing {
namespace {

namespace fs = std::filesystem;
using Sheet = void (GrooveController::*)();

class ControllerFilesTest : public ControllerTest {
  protected:
    std::string path(const std::string& name) { return (home / name).string(); }
    void open(Sheet sheet, const std::string& name) {
        (controller.get()->*sheet)();
        controller->openPanelDidEnd(true, path(name));
    }
    void save(Sheet sheet, const std::string& name) {
        (controller.get()->*sheet)();
        controller->savePanelDidEnd(true, path(name));
    }
    std::string alerts() {
        std::string all;
        for (const Alert& a : outlets.alerts)
            all += a.title + "/" + a.message + "/" + a.first + ";";
        outlets.alerts.clear();
        return all;
    }
};

TEST_F(ControllerFilesTest, SheetsProposeFolderAndNameByModeAndCancellingKeepsTheGroove) {
    state.dataTOG = 1;
    controller->saveFile();
    EXPECT_EQ(outlets.saveSheets.back().first, path("Desktop/Pattaplex/Saves/Grooves"));
    EXPECT_TRUE(fs::is_directory(home / "Desktop/Pattaplex/Saves/Grooves"));
    controller->doPreset(3);
    controller->saveDrums();
    EXPECT_TRUE(fs::is_directory(home / "Desktop/Pattaplex/DrumSets"));
    controller->savePanelDidEnd(false, "");
    EXPECT_EQ(state.saveSET, 0);
    controller->saveMIDI();
    EXPECT_NE(stdoutText().find("\n v = "), std::string::npos);
    controller->savePanelDidEnd(false, "");
    EXPECT_EQ(state.exportMIDI, 0);
    controller->saveFile();
    std::string names;
    for (const auto& sheet : outlets.saveSheets) names += sheet.second + " ";
    EXPECT_EQ(names, "Groove.grv DrumSet.set Funk.mid Funk.grv ");

    controller->openFile();
    EXPECT_EQ(outlets.openSheets.back(),
              std::make_pair(path("Desktop/Pattaplex/Saves"), std::string("Funk")));
    controller->openDrums();
    EXPECT_EQ(state.saveSET, 1);
    controller->openPanelDidEnd(false, "");
    EXPECT_EQ(join(state.saveSET, state.lastFile, state.dataTOG), "0 Funk 1");
}

TEST_F(ControllerFilesTest, GrooveSaveAndOpenRoundTrip) {
    state.dataTOG = 1;
    controller->doPreset(3);
    save(&GrooveController::saveFile, "Mine.grv");
    EXPECT_EQ(join(state.dataTOG, outlets.fileField), "0 Mine.grv");
    const GrooveState funk = state;

    controller->doPreset(9);
    controller->setDefaults();
    open(&GrooveController::openFile, "Mine.grv");
    EXPECT_EQ(join(state.lastFile, outlets.fileField, outlets.drumSetField,
                   outlets.tempoSliderValue, sound.opened.back(), outlets.kitField),
              "Mine Mine Mine 80 16401 Power");
    EXPECT_EQ(join(state.SUB, state.BARS, state.BEATS), join(funk.SUB, funk.BARS, funk.BEATS));
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(join(state.row(n).DR, state.row(n).DV), join(funk.row(n).DR, funk.row(n).DV));
        EXPECT_EQ(state.row(n).BUF, funk.row(n).BUF);
    }
    EXPECT_NE(stdoutText().find("\next1=grv "), std::string::npos);
}

TEST_F(ControllerFilesTest, DrumSetsSaveAndOpenWithoutTouchingTheGroove) {
    state.dataTOG = 1;
    controller->setKit(16409);
    save(&GrooveController::saveDrums, "Kit.set");
    // Only saving the groove itself makes it safe to quit.
    EXPECT_EQ(join(outlets.fileField, state.dataTOG), "Kit.set 1");

    controller->setDefaults();
    state.row(1).BUF[0] = 51;
    open(&GrooveController::openDrums, "Kit.set");
    EXPECT_EQ(join(state.KIT, outlets.drumSetField, outlets.kitField, state.saveSET),
              "16409 Kit Electronic 0");
    open(&GrooveController::openFile, "Kit.set");  // a drum set is not a groove
    EXPECT_EQ(alerts(), "NOT A GROOVE FILE/Try Again/Man!;");
    EXPECT_EQ(state.row(1).BUF[0], 51);
}

TEST_F(ControllerFilesTest, RefusedFilesChangeNothing) {
    std::ofstream(path("junk.set")) << "not a property list";
    std::ofstream(path("Song.mid")) << "MThd";
    const GrooveState before = state;
    open(&GrooveController::openDrums, "junk.set");
    EXPECT_EQ(alerts(), "NOT A DRUM SET FILE/Try Again/Man!;");
    open(&GrooveController::openFile, "Song.mid");
    EXPECT_EQ(outlets.alerts.at(0).title + "/" + outlets.alerts[0].second,
              "Loading a midi file will crash the app/Cancel");
    EXPECT_NE(stdoutText().find("\next1=mid \next2=mid "), std::string::npos);
    EXPECT_EQ(join(state.KIT, state.row(1).DR, state.lastFile),
              join(before.KIT, before.row(1).DR, before.lastFile));
}

TEST_F(ControllerFilesTest, FailedWritesSaySoAndKeepTheGrooveUnsaved) {
    state.dataTOG = 1;
    fs::create_directories(home / "Taken.grv");
    save(&GrooveController::saveFile, "Taken.grv");
    ASSERT_EQ(outlets.alerts.size(), 1u);
    EXPECT_NE(outlets.alerts[0].message.find("Taken.grv"), std::string::npos);
    EXPECT_EQ(state.dataTOG, 1);
    EXPECT_NE(outlets.fileField, "Taken.grv");

    outlets.alerts.clear();
    save(&GrooveController::saveMIDI, "Out.mid");
    EXPECT_TRUE(fs::exists(home / "Out.mid"));
    EXPECT_EQ(outlets.fileField, "Out.mid");
    save(&GrooveController::saveMIDI, "missing/Out.mid");
    ASSERT_EQ(outlets.alerts.size(), 1u);
    EXPECT_EQ(outlets.alerts[0].title + "/" + outlets.alerts[0].first, "WARNING/Oh No!");
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
    EXPECT_EQ(join(outlets.quitRequested, outlets.alerts.size()), "1 1");
}

}  // namespace
}  // namespace pattaplex::testing
