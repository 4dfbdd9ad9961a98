// Saving and opening through the sheets: folders, names, mode flags and what reaches the user.

#include <fstream>
#include <iterator>

#include "fixture.h"
#include "groove_files.h"
#include "integer_plist.h"

namespace pattaplex::testing {
namespace {

namespace fs = std::filesystem;
using Sheet = void (GrooveController::*)();

class ControllerFilesTest : public ControllerTest {
  protected:
    std::string path(const std::string& name) { return (home / name).string(); }
    static std::string readFile(const std::string& path) {
        std::ifstream in(path);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
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
    EXPECT_NE(stdoutText().find("\n v = "), std::string::npos);
    controller->savePanelDidEnd(false, "");
    controller->saveFile();
    check("exportMIDI=0, saves=Groove.grv DrumSet.set Funk.mid Funk.grv ");
    EXPECT_TRUE(fs::is_directory(home / "Desktop/Pattaplex/Saves/Grooves"));
    EXPECT_TRUE(fs::is_directory(home / "Desktop/Pattaplex/DrumSets"));

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

TEST_F(ControllerFilesTest, SavesAddTheKindsExtensionToANameWithoutOne) {
    state.dataTOG = 1;
    for (const auto& [sheet, typed, written] :
         {std::tuple{&GrooveController::saveFile, "Mine", "Mine.grv"},
          {&GrooveController::saveFile, "Kept.grv", "Kept.grv"},
          {&GrooveController::saveDrums, "Kit", "Kit.set"},
          {&GrooveController::saveMIDI, "Song", "Song.mid"}}) {
        save(sheet, typed);
        EXPECT_TRUE(fs::is_regular_file(home / written)) << written;
    }
    check("fileField=Song.mid, drumSetField=Kit.set, dataTOG=0");
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
    controller->doPreset(3);
    controller->setKit(16409);
    save(&GrooveController::saveDrums, "Kit.set");
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

TEST_F(ControllerFilesTest, OpeningAGrooveLeavesNothingOfTheOneBeforeAndKeepsItsTempoPlayable) {
    controller->setBars(4);  // 32 steps
    for (DrumRow& r : state.rows) r.BUF.fill(7), r.VOL.fill(9);
    save(&GrooveController::saveFile, "Long.grv");
    controller->setBars(2);  // 16 steps
    for (DrumRow& r : state.rows) r.BUF.fill(0);
    state.row(3).BUF[5] = 1;
    save(&GrooveController::saveFile, "Short.grv");
    const std::string shortFile = readFile(path("Short.grv"));

    open(&GrooveController::openFile, "Long.grv");
    open(&GrooveController::openFile, "Short.grv");
    for (const DrumRow& r : state.rows)
        for (int i = 16; i < kBufferSize; ++i) ASSERT_EQ(r.BUF[i] | r.VOL[i], 0) << i;
    save(&GrooveController::saveFile, "Short.grv");
    EXPECT_EQ(readFile(path("Short.grv")), shortFile);

    // Tempos outside 40..240 open as the nearest of the two.
    for (const auto& [tempo, opened] :
         {std::pair{1, 40}, {0, 40}, {-3, 40}, {39, 40}, {41, 41}, {241, 240}, {INT32_MAX, 240}}) {
        std::vector<int32_t> groove = grooveArray(state);
        groove[4] = tempo;
        std::ofstream(path("Tempo.grv")) << integerArrayXml(groove);
        open(&GrooveController::openFile, "Tempo.grv");
        check("TEMPO=" + std::to_string(opened) + ", tempoSlider=" + std::to_string(opened));
    }
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

    // A file the user made read-only stays as it is.
    std::ofstream(path("Kept.grv")) << "mine";
    fs::permissions(home / "Kept.grv", fs::perms::owner_read);
    save(&GrooveController::saveFile, "Kept.grv");
    EXPECT_NE(outlets.shown["alertMessage"].find("Permission denied"), std::string::npos);
    check("alerts=2, alert=COULD NOT SAVE, dataTOG=1, fileField=-");
    EXPECT_EQ(readFile(path("Kept.grv")), "mine");

    save(&GrooveController::saveMIDI, "Out.mid");
    EXPECT_TRUE(fs::exists(home / "Out.mid"));
    check("alerts=2, fileField=Out.mid");
    save(&GrooveController::saveMIDI, "missing/Out.mid");
    check("alerts=3, alert=WARNING, alertButtons=Oh No!//, exportMIDI=0");
    EXPECT_NE(outlets.shown["alertMessage"].find("missing/Out.mid\": No such file"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(home / "missing/Out.mid"));
}

}  // namespace
}  // namespace pattaplex::testing
