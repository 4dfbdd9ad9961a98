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
};

TEST_F(ControllerFilesTest, SheetsProposeFolderAndNameByModeAndCancellingKeepsTheGroove) {
    state.dataTOG = 1;
    controller->saveFile();
    check("savedIn=" + path("Desktop/Pattaplex/Saves/Grooves"));
    controller->doPreset(3);
    controller->saveDrums();
    check("saveSET=1");
    EXPECT_TRUE(fs::equivalent(outlets.shown["savedIn"], home / "Desktop/Pattaplex/DrumSets"));
    controller->savePanelDidEnd(false, "");
    controller->saveMIDI();
    check("saveSET=0, exportMIDI=1");
    EXPECT_NE(stdoutText().find("\n v = "), std::string::npos);
    controller->savePanelDidEnd(false, "");
    controller->saveFile();
    check("exportMIDI=0, saves=Groove.grv DrumSet.set Funk.mid Funk.grv ");
    EXPECT_TRUE(fs::is_directory(home / "Desktop/Pattaplex/Saves/Grooves"));
    EXPECT_TRUE(fs::is_directory(home / "Desktop/Pattaplex/DrumSets"));

    controller->openFile();
    check("openedIn=" + path("Desktop/Pattaplex/Saves") + ", opened=Funk");
    controller->openDrums();
    EXPECT_EQ(state.saveSET, 1);
    controller->openPanelDidEnd(false, "");
    check("saveSET=0, lastFile=Funk, dataTOG=1");
}

TEST_F(ControllerFilesTest, GrooveSaveAndOpenRoundTrip) {
    state.dataTOG = 1;
    controller->doPreset(3);
    save(&GrooveController::saveFile, "Mine.grv");
    check("dataTOG=0, fileField=Mine.grv");
    const GrooveState funk = state;

    controller->doPreset(9);
    controller->setDefaults();
    open(&GrooveController::openFile, "Mine.grv");
    check(
        "lastFile=Mine, fileField=Mine, drumSetField=Mine, tempoSlider=80, kit=16401, "
        "kitField=Power");
    EXPECT_EQ(std::tie(state.SUB, state.BARS, state.BEATS),
              std::tie(funk.SUB, funk.BARS, funk.BEATS));
    for (int n = 1; n <= 10; ++n) {
        const DrumRow &r = state.row(n), &f = funk.row(n);
        EXPECT_EQ(std::tie(r.DR, r.DV, r.BUF), std::tie(f.DR, f.DV, f.BUF)) << n;
    }
    EXPECT_NE(stdoutText().find("\next1=grv "), std::string::npos);
}

TEST_F(ControllerFilesTest, DrumSetsSaveAndOpenWithoutTouchingTheGroove) {
    state.dataTOG = 1;
    controller->setKit(16409);
    save(&GrooveController::saveDrums, "Kit.set");
    check("fileField=Kit.set, dataTOG=1");  // only saving the groove makes it safe to quit

    controller->setDefaults();
    state.row(1).BUF[0] = 51;
    open(&GrooveController::openDrums, "Kit.set");
    check("KIT=16409, drumSetField=Kit, kitField=Electronic, saveSET=0, BUF1.0=51");
    open(&GrooveController::openFile, "Kit.set");  // a drum set is not a groove
    check(
        "alerts=1, alert=NOT A GROOVE FILE, alertMessage=Try Again, alertButtons=Man!//, "
        "BUF1.0=51");
}

TEST_F(ControllerFilesTest, RefusedFilesChangeNothing) {
    std::ofstream(path("junk.set")) << "not a property list";
    std::ofstream(path("Song.mid")) << "MThd";
    open(&GrooveController::openDrums, "junk.set");
    check("alert=NOT A DRUM SET FILE, alertMessage=Try Again, alertButtons=Man!//");
    open(&GrooveController::openFile, "Song.mid");
    check(
        "alerts=2, alert=Loading a midi file will crash the app, KIT=16417, DR1=51, "
        "lastFile=Groove");
    EXPECT_NE(outlets.shown["alertButtons"].find("/Cancel/"), std::string::npos);
    EXPECT_NE(stdoutText().find("\next1=mid \next2=mid "), std::string::npos);
}

TEST_F(ControllerFilesTest, FailedWritesSaySoAndKeepTheGrooveUnsaved) {
    state.dataTOG = 1;
    fs::create_directories(home / "Taken.grv");
    save(&GrooveController::saveFile, "Taken.grv");
    EXPECT_NE(outlets.shown["alertMessage"].find("Taken.grv"), std::string::npos);
    check("alerts=1, dataTOG=1, fileField=-");

    save(&GrooveController::saveMIDI, "Out.mid");
    EXPECT_TRUE(fs::exists(home / "Out.mid"));
    check("alerts=1, fileField=Out.mid");
    save(&GrooveController::saveMIDI, "missing/Out.mid");
    check("alerts=2, alert=WARNING, alertButtons=Oh No!//, exportMIDI=0");
    EXPECT_FALSE(fs::exists(home / "missing/Out.mid"));
}

}  // namespace
}  // namespace pattaplex::testing
