// Saving and opening through the sheets: folders, names, mode flags and what reaches the user.

#include <fstream>

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
    outlets.alertAnswers = {0, 0};  // the unsaved groove: DON'T SAVE, twice
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
    open(&GrooveController::openDrums, "Kit.set");  // unsaved, but only the sounds change
    check(
        "alerts=-, KIT=16409, drumSetField=Kit, kitField=Electronic, kitTitle=Electronic, "
        "saveSET=0, BUF1.0=51, lastFile=Funk, undoMenu=Open Drum Set");
    controller->undoEdit();
    check("KIT=16417, kitTitle=Jazz");
    controller->redoEdit();
    outlets.alertAnswers = {0};                    // DON'T SAVE
    open(&GrooveController::openFile, "Kit.set");  // a drum set is not a groove
    check(
        "alerts=2, alert=NOT A GROOVE FILE, alertButtons=Man!//, BUF1.0=51, "
        "alertMessage=Kit.set is not a groove file: entry 0 is not 666");
    save(&GrooveController::saveFile, "Funk.grv");
    const GrooveState before = state;
    open(&GrooveController::openDrums, "Funk.grv");  // nor a groove a drum set
    check("alerts=3, alert=NOT A DRUM SET FILE, drumSetField=Kit");
    EXPECT_TRUE(state == before);
}

// A typed name keeps what it ends with and gains its kind's extension, unless that is it.
TEST_F(ControllerFilesTest, TypedNamesGetTheirKindsExtension) {
    const std::tuple<Sheet, const char*, const char*> kSaves[] = {
        {&GrooveController::saveFile, "Take 2.5", "Take 2.5.grv"},
        {&GrooveController::saveFile, "Loud.GRV", "Loud.GRV"},
        {&GrooveController::saveDrums, "Kit v1.2", "Kit v1.2.set"},
        {&GrooveController::saveMIDI, "Song.grv", "Song.grv.mid"},
        {&GrooveController::saveMIDI, "Song.mid", "Song.mid"},
    };
    for (const auto& [sheet, typed, file] : kSaves) {
        save(sheet, typed);
        EXPECT_TRUE(fs::is_regular_file(home / file)) << typed;
        EXPECT_TRUE(std::string(typed) == file || !fs::exists(home / typed)) << typed;
    }
    // The sheet never asked about the name with its extension: replacing it is asked here.
    const auto size = fs::file_size(home / "Take 2.5.grv");
    controller->doPreset(3);
    outlets.alertAnswers = {0, 1};  // Cancel, then Replace
    save(&GrooveController::saveFile, "Take 2.5");
    check("alerts=1, alert=FILE EXISTS, alertButtons=Replace/Cancel/, dataTOG=1");
    EXPECT_EQ(fs::file_size(home / "Take 2.5.grv"), size);
    save(&GrooveController::saveFile, "Take 2.5");
    check("alerts=2, dataTOG=0");
    EXPECT_NE(fs::file_size(home / "Take 2.5.grv"), size);
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

// Opening a groove over unsaved work asks first, by every road, and goes on as answered.
TEST_F(ControllerFilesTest, OpeningOverUnsavedWorkAsksFirst) {
    GrooveState funk = state;
    funk.KIT = 16401;
    ASSERT_TRUE(saveGroove(path("Funk.grv"), funk));
    controller->mouseDown(300, 310);  // unsaved
    const std::string asked =
        "alert=YOU HAVE UNSAVED DATA, alertButtons=SAVE/DON'T SAVE/CANCEL, alertMessage=\"Groove\" "
        "has changes that are not saved. Save them before opening ";

    controller->openPath(path("Funk.grv"));  // answered CANCEL
    check(asked + "\"Funk.grv\"?, alerts=1, BUF1.0=51, KIT=16417, dataTOG=1");
    controller->openFile();
    check(asked + "another groove?, alerts=2, opened=-");

    outlets.alertAnswers = {1};  // SAVE: the groove has no file yet, so the sheet asks where
    controller->openPath(path("Funk.grv"));
    check("alerts=3, saved=Groove.grv, BUF1.0=51");
    controller->savePanelDidEnd(true, path("Mine.grv"));  // saved, then opened
    check("alerts=3, BUF1.0=0, KIT=16401, lastFile=Funk, dataTOG=0");
    EXPECT_EQ(readGroove(path("Mine.grv"))->steps[0][0], 51);

    controller->mouseDown(300, 310);
    outlets.alertAnswers = {1};  // SAVE: now it has a file of its own, written at once
    controller->openFile();
    check("alerts=4, saves=Groove.grv , opened=Funk/grv, dataTOG=0");
    EXPECT_EQ(readGroove(path("Funk.grv"))->steps[0][0], 51);

    controller->doPreset(3);  // unsaved, and without a file of its own
    outlets.alertAnswers = {1};
    controller->openFile();
    controller->savePanelDidEnd(false, "");  // a save given up opens nothing
    check("alerts=5, saves=Groove.grv Funk.grv , opened=Funk/grv, dataTOG=1, KIT=16401");

    outlets.alertAnswers = {0};  // DON'T SAVE
    controller->openPath(path("Funk.grv"));
    check("alerts=6, dataTOG=0, BUF1.0=51, KIT=16401");

    // A drum set changes only the sounds, undoably: nothing to ask.
    controller->mouseDown(300, 278);
    GrooveState electronic = state;
    electronic.KIT = 16409;
    ASSERT_TRUE(saveDrumSet(path("Kit.set"), electronic));
    controller->openPath(path("Kit.set"));
    check("alerts=6, undoMenu=Open Drum Set, dataTOG=1, KIT=16409, title=Funk* \u2014 Pattaplex");
}

// Save writes to the groove's own file once it has one; Save As always asks where. The
// title names the groove and marks it while unsaved.
TEST_F(ControllerFilesTest, SaveSaveAsAndTheTitle) {
    check("title=Groove \u2014 Pattaplex");
    controller->mouseDown(300, 310);
    check("title=Groove* \u2014 Pattaplex");
    controller->saveFile();
    check("saves=Groove.grv ");
    controller->savePanelDidEnd(true, path("Funk.grv"));
    check("title=Funk \u2014 Pattaplex, fileField=Funk.grv");

    controller->mouseDown(300, 278);
    check("title=Funk* \u2014 Pattaplex");
    controller->run(Command::SaveGroove);  // Ctrl+S: no sheet
    check("saves=Groove.grv , title=Funk \u2014 Pattaplex, dataTOG=0");
    EXPECT_NE(readGroove(path("Funk.grv"))->steps[1][0], 0);

    controller->run(Command::SaveGrooveAs);
    check("saves=Groove.grv Funk.grv ");
    controller->savePanelDidEnd(true, path("Other.grv"));
    controller->saveMIDI();  // neither an export nor a drum set renames the groove
    controller->savePanelDidEnd(true, path("Other.mid"));
    controller->saveDrums();
    controller->savePanelDidEnd(true, path("Sounds.set"));
    check("title=Other \u2014 Pattaplex, saves=Groove.grv Funk.grv Other.mid DrumSet.set ");

    controller->doPreset(3);  // a preset has no file of its own
    controller->saveFile();
    check("title=Funk* \u2014 Pattaplex, saved=Funk.grv");
    controller->savePanelDidEnd(false, "");
    outlets.alertAnswers = {0};
    controller->openPath(path("Other.grv"));
    controller->saveFile();  // an opened groove has its file
    check("title=Other \u2014 Pattaplex, saved=Funk.grv");
}

// Refusals name the file and say why.
TEST_F(ControllerFilesTest, RefusalsNameTheFileAndTheReason) {
    fs::create_directories(home / "Folder.grv");
    std::ofstream(path("Junk.grv")) << "not a property list";
    std::ofstream(path("Song.mid")) << "MThd";
    const struct {
        const char* file;
        const char* message;
    } cases[] = {
        {"Junk.grv", "Junk.grv is not a groove file: it is not a property list"},
        {"Missing.grv", "cannot read Missing.grv: no such file or directory"},
        {"Folder.grv", "cannot read Folder.grv: it is not a regular file"},
        {"Song.mid", "\"Song.mid\" is a MIDI file"},
    };
    for (const auto& c : cases) {
        controller->openPath(path(c.file));
        EXPECT_EQ(outlets.shown["alertMessage"].rfind(c.message, 0), 0u)
            << outlets.shown["alertMessage"];
    }
    check("alerts=4, lastFile=Groove");
}

}  // namespace
}  // namespace pattaplex::testing
