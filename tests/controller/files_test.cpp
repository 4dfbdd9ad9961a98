// Saving and opening through the sheets: folders, names, mode flags and what reaches the user.

#include "fixture.h"
#include "groove_files.h"

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
    check("saveSET=1, savedIn=" + path("Desktop/Pattaplex/DrumSets"));
    controller->savePanelDidEnd(false, "");
    controller->saveMIDI();
    check("saveSET=0, exportMIDI=1, savedIn=" + path("Desktop/Pattaplex/Saves/midiFiles"));
    controller->savePanelDidEnd(false, "");
    controller->saveFile();
    check("exportMIDI=0, saves=Groove.grv DrumSet.set Funk.mid Funk.grv ");

    // Open sheets start in the kind's own folder and are told its extension.
    controller->openFile();
    check("openedIn=" + path("Desktop/Pattaplex/Saves/Grooves") + ", opened=Funk/grv");
    controller->openDrums();
    check("saveSET=1, openedIn=" + path("Desktop/Pattaplex/DrumSets") + ", opened=Funk/set");
    controller->openPanelDidEnd(false, "");
    check("saveSET=0, lastFile=Funk, dataTOG=1");

    // Preset names with "/" are suggested as valid file names; the groove keeps its name.
    controller->doPreset(1);
    controller->saveMIDI();
    controller->savePanelDidEnd(false, "");
    controller->saveFile();
    controller->savePanelDidEnd(false, "");
    controller->openFile();
    check(
        "lastFile=Jazz 4/4, opened=Jazz 4-4/grv, "
        "saves=Groove.grv DrumSet.set Funk.mid Funk.grv Jazz 4-4.mid Jazz 4-4.grv ");

    // The default folders follow the desktop folder the window program names.
    controller->setDesktopFolder(path("Schreibtisch"));
    controller->saveDrums();
    check("savedIn=" + path("Schreibtisch/Pattaplex/DrumSets"));
}

TEST_F(ControllerFilesTest, GrooveSaveAndOpenRoundTrip) {
    state.dataTOG = 1;
    controller->doPreset(3);
    save(&GrooveController::saveFile, "Mine");  // saves add the kind's extension
    check("dataTOG=0, fileField=Mine.grv");
    const GrooveState funk = state;

    controller->doPreset(9);
    controller->setDefaults();
    open(&GrooveController::openFile, "Mine.grv");
    check(
        "lastFile=Mine, fileField=Mine, drumSetField=Mine, tempoSlider=80, kit=16401, "
        "kitField=Power");
    EXPECT_EQ(grooveArray(state), grooveArray(funk));
}

TEST_F(ControllerFilesTest, AfterOpeningAShortGrooveALongerPresetPlaysEveryStepItSets) {
    save(&GrooveController::saveFile, "Short");  // the start-up grid: 16 steps
    open(&GrooveController::openFile, "Short.grv");
    controller->doPreset(3);  // Funk: 32 steps
    std::string silent;       // rows and steps drawn but at velocity 0
    for (int r = 1; r <= kRowCount; ++r)
        for (size_t i = 0; i < 32; ++i)
            if (state.row(r).BUF[i] != 0 && state.row(r).VOL[i] <= 0)
                silent += std::to_string(r) + "." + std::to_string(i) + " ";
    EXPECT_EQ(silent, "");
}

TEST_F(ControllerFilesTest, DrumSetsSaveAndOpenWithoutTouchingTheGroove) {
    state.dataTOG = 1;
    controller->doPreset(3);
    controller->setKit(16409);
    save(&GrooveController::saveDrums, "Kit");
    // The groove keeps its name; only saving the groove makes it safe to quit.
    check("fileField=Funk, drumSetField=Kit.set, dataTOG=1");
    controller->saveMIDI();
    check("saved=Funk.mid");
    controller->savePanelDidEnd(false, "");

    controller->setDefaults();
    state.row(1).BUF[0] = 51;
    open(&GrooveController::openDrums, "Kit.set");
    check("KIT=16409, drumSetField=Kit, kitField=Electronic, saveSET=0, BUF1.0=51");
    open(&GrooveController::openFile, "Kit.set");  // a drum set is not a groove
    check(
        "alerts=1, alert=NOT A GROOVE FILE, alertMessage=Try Again, alertButtons=Man!//, "
        "BUF1.0=51");
    save(&GrooveController::saveFile, "Funk.grv");
    const GrooveState before = state;
    open(&GrooveController::openDrums, "Funk.grv");  // nor a groove a drum set
    check("alerts=2, alert=NOT A DRUM SET FILE, drumSetField=Kit");
    EXPECT_TRUE(state == before);
}

TEST_F(ControllerFilesTest, FailedWritesSaySoAndKeepTheGrooveUnsaved) {
    state.dataTOG = 1;
    fs::create_directories(home / "Taken.grv");
    save(&GrooveController::saveFile, "Taken.grv");
    EXPECT_NE(outlets.shown["alertMessage"].find("Taken.grv"), std::string::npos);
    check("alerts=1, dataTOG=1, fileField=-");

    save(&GrooveController::saveMIDI, "Out");
    EXPECT_TRUE(fs::exists(home / "Out.mid"));
    check("alerts=1, fileField=Out.mid");
    save(&GrooveController::saveMIDI, "missing/Out.mid");
    check("alerts=2, alert=WARNING, alertButtons=Oh No!//, exportMIDI=0");
    EXPECT_NE(outlets.shown["alertMessage"].find("missing/Out.mid\": No such file"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(home / "missing/Out.mid"));
}

}  // namespace
}  // namespace pattaplex::testing
