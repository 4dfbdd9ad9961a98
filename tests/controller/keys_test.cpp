// Every row of the grid's key table, run through the key handler: the character and
// modifiers in, what the groove, the window and the sound show afterwards out.

#include <set>
#include <sstream>

#include "fixture.h"

namespace pattaplex::testing {
namespace {

struct KeyCase {
    char32_t character;
    uint32_t modifiers;
    const char* before;  // set on the started groove first
    const char* expected;
};

const KeyCase kKeyCases[] = {
    {'3', 0, "", "DEMO=3, audition=44 120"},
    {'0', 0, "", "DEMO=10"},
    {'i', 0, "", "INF=1, infText=INFINITE RANDOM"},
    // The arrows work on the selected row and wrap.
    {kRightArrow, 0, "DEMO=4, DR4=84", "DR4=35, name4=BassDrum2, sel4=0"},
    {kLeftArrow, 0, "DEMO=4, DR4=35", "DR4=84, name4=Slide Bells"},
    {kRightArrow, 0, "KIT=1, DR1=59", "DR1=60, name1=C4, kitField=Piano"},
    // The volume keys stop at the ends.
    {kUpArrow, 0, "DEMO=2, DV2=127", "DV2=127, vol2=127"},
    {kDownArrow, 0, "DEMO=2, DV2=0", "DV2=0, vol2=Off"},
    {kDownArrow, 0, "DEMO=2, DV2=1", "DV2=0, vol2=Off"},
    {kUpArrow, 0, "DEMO=2, DV2=0", "DV2=1, vol2=1"},
    {kUpArrow, 0, "DEMO=0, DV1=5", "DV1=5"},
    // The mute toggles bring back the previous volume.
    {0x00AA, kOptionKey, "DV9=70", "DV9=0, oldV9=70, vol9=Off, DEMO=1, dataTOG=0"},
    {0x00AA, kOptionKey, "DV9=0, oldV9=70", "DV9=70"},
    {0x00A3, kOptionKey, "DV3=0, oldV3=0", "DV3=0"},
    // The file keys and their mode flags.
    {0x00DF, kOptionKey, "", "saveSET=1, saved=DrumSet.set"},
    {0x00DF, 0, "", "saveSET=0, saved=-"},
    {0x00F8, 0, "", "saveSET=1, opened=Groove/set"},
    {0x0013, kControlKey, "", "exportMIDI=1, saved=Groove.mid"},
    // The random keys; any key after the first randomisation marks a change.
    {'r', 0, "", "randTOG=3, undoTOG=1, dataTOG=1, undoTitle=Revert, VOL1.0=90"},
    {'a', 0, "", "randTOG=5, undoTitle=Revert, shows1=1, shows10=1"},
    {0x00AE, kOptionKey, "", "randTOG=1, undoTOG=0, undoTitle=Clear"},
    // Alt with a key the table names only without it does nothing.
    {'a', kOptionKey, "", "randTOG=0, undoTOG=0, DR1=51"},
    {'d', kOptionKey, "", "randTOG=0, DR1=51"},
    {' ', kOptionKey, "", "running=0"},
    {kUpArrow, kOptionKey, "DEMO=2", "DV2=90"},
    {0x0012, kControlKey, "", "randTOG=4, undoTOG=1"},
    {'d', 0, "", "randTOG=2, shows1=1, shows10=1"},
    {'x', 0, "randTOG=2", "dataTOG=1"},
    {'c', 0, "", "colTOG=1"},
    {'v', 0, "", "velTOG=1"},
    {' ', 0, "", "running=1, playTitle=STOP, DEMO=0"},
    {'[', 0, "BARS=1", "BARS=1"},
    {']', 0, "BARS=6", "BARS=6"},
    {']', 0, "BUF1.0=51", "BARS=3, BUF1.0=51"},
    {kDeleteKey, 0, "BUF2.4=37", "BUF2.4=0, undo2.4=37, undoTitle=Undo"},
    {'u', 0, "undoTOG=1, undo2.4=37", "BUF2.4=37, undoTitle=Clear"},
    {'u', 0, "undoTOG=0, BUF2.4=37", "BUF2.4=37, undoTOG=1, undoTitle=Revert"},
    {',', 0, "TEMPO=40", "TEMPO=240, tempoField=240, tempoSlider=240"},
    {'.', 0, "TEMPO=240", "TEMPO=40, tempoField=40, tempoSlider=40"},
    {'/', 0, "", "sheet=Pattaplex Help, sheetText=helptext"},
    {'?', 0, "", "sheet=Pattaplex Help"},
};

// Each key, and its command run from a menu, do the same.
TEST_F(ControllerTest, EveryKeyOfTheTableAndItsMenuCommand) {
    for (const KeyCase& c : kKeyCases) {
        const auto command = commandForKey(c.character, c.modifiers);
        for (const bool fromMenu : {false, true}) {
            if (fromMenu && !command) continue;
            SCOPED_TRACE(::testing::Message() << "key " << uint32_t(c.character) << " menu "
                                              << fromMenu << ": " << c.expected);
            World w = copy();
            set(w.s, c.before);
            const int redraws = w.o.redraws;
            if (fromMenu)
                w.c.run(command->command, command->value);
            else
                w.c.keyDown(c.character, c.modifiers);
            EXPECT_GT(w.o.redraws, redraws);
            const char32_t typed =
                fromMenu ? keyForCommand(command->command, command->value) : c.character;
            expectShown(shown(w.s, w.o, w.snd), "key=" + std::to_string(typed) + ", " + c.expected);
        }
    }
}

// The help sheet lists every key the program takes, each line its keys then what they do.
TEST_F(ControllerTest, TheHelpListsEveryKey) {
    key('/');
    EXPECT_EQ(outlets.shown["sheetText"], "helptext");
    std::set<std::string> listed;
    std::istringstream lines(helpText());
    const std::string between = "      ·      ";  // two entries to a line
    std::vector<std::string> entries;
    for (std::string line; std::getline(lines, line);) {
        for (size_t at = 0, next; at < line.size(); at = next + between.size()) {
            next = line.find(between, at);
            if (next == std::string::npos) next = line.size();
            entries.push_back(line.substr(at, next - at));
        }
    }
    for (const std::string& entry : entries) {
        const size_t end = entry.find("   ");
        if (end == std::string::npos) continue;
        const std::string keys = entry.substr(0, end);
        for (size_t at = 0, next; at <= keys.size(); at = next + 2) {
            next = keys.find(", ", at);
            if (next == std::string::npos) next = keys.size();
            listed.insert(keys.substr(at, next - at));
        }
    }
    std::istringstream mustName(
        "P|T|C|V|Ctrl+Z|Ctrl+Shift+Z|Ctrl+Shift+E|F10|Space|Alt+R|Ctrl+R|Meta+S|Alt+O|Alt+S|"
        "Backspace|Delete|[|]|,|.|/|?|1 … 0|Alt+1 … Alt+0");
    for (std::string k; std::getline(mustName, k, '|');) EXPECT_TRUE(listed.count(k)) << k;
    for (const KeyEntry& k : keyTable())
        EXPECT_TRUE(k.value != 0 || listed.count(k.label)) << k.label;
}

TEST_F(ControllerTest, UpperCaseAndDeadKeys) {
    for (char32_t c : {U'R', U'D', U'A', U'I', U'V', U'U', U'P', U'C', U'<', U'>'}) {
        key(c);  // only the steps every key takes
        check("key=" + std::to_string(c) +
              ", INF=0, randTOG=0, colTOG=0, velTOG=0, TEMPO=160, undoTOG=0, running=0");
    }
    EXPECT_EQ(outlets.shown["infText"], " ");
    const int redraws = outlets.redraws;
    key(0);
    EXPECT_EQ(outlets.redraws, redraws);
}

TEST_F(ControllerTest, KeysOnAGrooveWithAbsurdFieldsStayInBounds) {
    set(state, "BARS=2147483647, TEMPO=-2147483648, DR1=-2147483648");
    for (char32_t c : {U']', U'[', U',', U'.', kLeftArrow, kRightArrow, U'r', U'a'}) key(c);
    EXPECT_TRUE(state.BARS >= 1 && state.BARS <= 6);
}

}  // namespace
}  // namespace pattaplex::testing
