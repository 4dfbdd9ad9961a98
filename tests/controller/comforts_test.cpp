// Drag painting, undo and redo of every kind of edit, typed and tapped tempo, the
// playhead and opening files by path.

#include <functional>
#include <string>
#include <tuple>

#include "edit_history.h"
#include "fixture.h"

namespace pattaplex::testing {
namespace {

TEST_F(ControllerTest, DragPaintsWhatThePressDidAsOneEdit) {
    state.row(2).BUF[2] = 40;
    state.LNG = 4;  // the grid as last drawn
    controller->mouseDown(columnX(0), rowY(1));
    controller->mouseDragged(columnX(3), rowY(1));  // a fast move still passes 1 and 2
    controller->mouseDragged(columnX(3), rowY(2));
    controller->mouseDragged(columnX(2), rowY(2));  // already on: stays on
    controller->mouseDragged(columnX(8), rowY(2));  // beyond the grid as drawn: nothing
    controller->mouseUp();
    controller->mouseDragged(columnX(5), rowY(2));  // released: nothing
    for (int column = 0; column < 6; ++column) {
        EXPECT_EQ(state.row(1).BUF[column] != 0, column <= 3) << column;
        EXPECT_EQ(state.row(2).BUF[column] != 0, column == 2 || column == 3) << column;
    }
    EXPECT_EQ(state.row(2).VOL[3], state.row(2).DV);
    check("auditions=1, dataTOG=1, undoMenu=Paint, BUF2.2=40");

    // Pressing an active cell paints cells off.
    controller->mouseDown(columnX(1), rowY(1));
    controller->mouseDragged(columnX(3), rowY(1));
    controller->mouseDragged(columnX(3), rowY(2));
    check("BUF1.0=51, BUF1.1=0, BUF1.2=0, BUF1.3=0, BUF2.2=40, BUF2.3=0, auditions=2");

    controller->undoEdit();
    check("BUF1.1=51, BUF1.3=51, BUF2.3=37, undoMenu=Paint, redoMenu=Paint");
    controller->undoEdit();
    check("BUF1.0=0, BUF1.3=0, BUF2.2=40, BUF2.3=0, undoMenu=, redoMenu=Paint");
    controller->redoEdit();
    check("BUF1.3=51, BUF2.3=37");
}

using Edit = std::function<void(GrooveController&, FakeOutlets&)>;

// Keys typed in the grid, with the Option flag for characters above 0x7F.
Edit keys(std::u32string typed) {
    return [typed](GrooveController& c, FakeOutlets&) {
        for (char32_t k : typed) c.keyDown(k, k > 0x7F && k < kUpArrow ? kOptionKey : 0);
    };
}

class UndoTest : public ControllerTest {};

// `s` with the fields undo leaves alone by design taken from `reference`: the position,
// selection and cursors, the last click and key, the grid as last drawn, the display and
// mode flags, the file name. Every other field, present or future, must come back.
GrooveState withoutUnundoneFields(GrooveState s, const GrooveState& reference) {
    const GrooveState& r = reference;
    std::tie(s.LNG, s.left, s.DEMO, s.DRC, s.DRV, s.LOOP, s.key, s.ptX, s.ptY, s.G) =
        std::tie(r.LNG, r.left, r.DEMO, r.DRC, r.DRV, r.LOOP, r.key, r.ptX, r.ptY, r.G);
    std::tie(s.dataTOG, s.randTOG, s.INF, s.colTOG, s.velTOG, s.GRID, s.PRE, s.saveSET,
             s.exportMIDI, s.lastFile) =
        std::tie(r.dataTOG, r.randTOG, r.INF, r.colTOG, r.velTOG, r.GRID, r.PRE, r.saveSET,
                 r.exportMIDI, r.lastFile);
    return s;
}

// Field by field, naming the first that differs.
void expectSameGroove(const GrooveState& seen, const GrooveState& expected) {
    const GrooveState s = withoutUnundoneFields(seen, expected);
    for (int n = 1; n <= kRowCount; ++n) EXPECT_EQ(s.row(n), expected.row(n)) << "row " << n;
    EXPECT_EQ(std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO, s.KIT, s.oldKIT, s.undoTOG),
              std::tie(expected.BARS, expected.BEATS, expected.SUB, expected.TEMPO, expected.KIT,
                       expected.oldKIT, expected.undoTOG));
    EXPECT_TRUE(s == expected) << "a field not named above";
}

TEST_F(UndoTest, EveryKindOfEditUndoesAndRedoesByName) {
    using C = GrooveController&;
    using O = FakeOutlets&;
    const std::pair<const char*, Edit> edits[] = {
        {"Step", [](C c, O) { c.mouseDown(columnX(4), rowY(7)); }},
        {"Preset", [](C c, O) { c.doPreset(3); }},
        {"Randomise", [](C c, O) { c.doRandom(3); }},
        {"Randomise", keys(U"a")},
        {"Grid Size", [](C c, O) { c.setBeats(3); }},
        {"Grid Size", [](C c, O) { c.setDiv(3); }},
        {"Bars", keys(U"]")},
        {"Sound", keys({U'4', kRightArrow})},
        {"Sound", [](C c, O o) { o.shown["sel6"] = "7", c.setDrum(6); }},
        {"Volume", keys({U'4', kUpArrow})},
        {"Volume",  // a slider moved twice is one edit
         [](C c, O o) {
             o.shown["slider2"] = "10", c.setVolume(2), o.shown["slider2"] = "20", c.setVolume(2);
         }},
        {"Mute", keys(U"\u00A3")},
        {"Tempo", keys(U",")},
        {"Tempo", [](C c, O o) { o.shown["tempoSlider"] = "97", c.setTempo(); }},
        {"Tempo", [](C c, O) { c.typeTempo(150); }},
        {"Kit", [](C c, O) { c.setKit(35); }},
        {"Clear", keys({kDeleteKey})},
        {"Clear", [](C c, O) { c.cleanBufs(); }},
        {"Revert", [](C c, O) { c.cleanBufs(), c.cleanBufs(); }},
        {"Previous Sounds", [](C c, O) { c.setKit(35), c.setPrev(); }},
        {"Default Sounds",
         [](C c, O) { c.setKit(35), c.keyDown('2', 0), c.keyDown(kUpArrow, 0), c.setDefaults(); }},
        {"Revert", keys({kDeleteKey, U'u'})},
        {"Set Volumes", [](C c, O) { c.keyDown('3', 0), c.keyDown(kUpArrow, 0), c.setPos(); }},
        {"Velocity", [](C c, O) { c.wheelStep(columnX(1), rowY(1), -2, false); }},
        {"Step", [](C c, O) { c.setStepFeel(3, 2, 90, 3, 50); }},
        {"Swing", [](C c, O) { c.setSwing(66); }},
        {"Humanise", [](C c, O) { c.setHumanise(0, 9); }},
    };
    controller->mouseDown(columnX(1), rowY(1));
    controller->mouseDown(columnX(2), rowY(3));
    const GrooveState start = state;
    for (const auto& [name, edit] : edits) {
        SCOPED_TRACE(name);
        const size_t depth = controller->history().undoDepth();
        edit(*controller, outlets);
        const GrooveState after = state;
        EXPECT_FALSE(withoutUnundoneFields(after, start) == start);
        EXPECT_EQ(outlets.shown["undoMenu"], name);
        const size_t edits = controller->history().undoDepth() - depth;
        for (size_t i = 0; i < edits; ++i) controller->undoEdit();
        expectSameGroove(state, start);
        check("dataTOG=1, shows1=1, shows6=1, kit=16417, tempoField=160, vol2=90");
        for (size_t i = 0; i < edits; ++i) controller->redoEdit();
        expectSameGroove(state, after);
        for (size_t i = 0; i < edits; ++i) controller->undoEdit();
    }
}

TEST_F(UndoTest, LooksAndPlaybackAreNoEditsAndOpeningStartsAfresh) {
    for (char32_t c : {U'c', U'v', U'i', U'3', U' ', U' ', U'/'}) key(c);
    EXPECT_FALSE(controller->history().canUndo());

    // Far more edits than a session needs are kept.
    for (int i = 0; i < 150; ++i) controller->mouseDown(columnX(i % 16), rowY(1 + i / 16));
    EXPECT_GE(controller->history().undoDepth(), 150u);
    controller->undoEdit();
    EXPECT_TRUE(controller->history().canRedo());
    controller->mouseDown(columnX(0), rowY(1));  // a new edit forgets redo
    EXPECT_FALSE(controller->history().canRedo());

    const std::string groove = (home / "Saved.grv").string();
    controller->savePanelDidEnd(true, groove);
    controller->openPath(groove);
    check("undoMenu=, redoMenu=, recent=" + groove + ", fileField=Saved");
}

TEST_F(ControllerTest, TypedAndTappedTempo) {
    for (auto [typed, bpm] : {std::pair{300, "240"}, {7, "40"}, {123, "123"}}) {
        controller->typeTempo(typed);
        check(std::string("tempoField=") + bpm + ", tempoSlider=" + bpm);
    }
    double now = 100.0;
    controller->setSteadyClock([&now] { return now; });
    // {seconds since the last tap, tempo shown after it}
    const std::pair<double, int> taps[] = {
        {0, 123},    {0.5, 120}, {0.5, 120}, {0.4, 129},
        {0.4, 133},  {0.4, 141}, {0.4, 150},  // the average of the last four intervals only
        {2.5, 150},                           // a long pause starts afresh
        {0.05, 240},                          // clamped
        {2.5, 240},  {1.9, 40},
    };
    for (const auto& [after, tempo] : taps) {
        now += after;
        key('t');
        EXPECT_EQ(state.TEMPO, tempo) << "tap at " << now;
    }
    check("tempoField=40, undoMenu=Tap Tempo");
    controller->undoEdit();  // a run of taps is one edit
    check("TEMPO=123");
}

TEST_F(ControllerTest, PlayheadFollowsTheStepHeard) {
    controller->playGroove();
    // Steps of 0.1875 s at 160 bpm and two steps per beat; the device holds 0.02 s.
    // {step made, seconds to the next, playhead shown}
    const std::tuple<int, double, const char*> positions[] = {
        {0, 0.18, "-"}, {0, 0.16, "0"}, {1, 0.17, "0"}, {1, 0.1, "1"}, {15, 0.05, "15"}};
    for (auto [step, toNext, shown] : positions) {
        sound.pos = {true, step, step + 1, toNext, 0.02};
        controller->followPlayhead();
        check(std::string("playhead=") + shown);
    }
    state.LOOP = 6;
    sound.pos.playing = false;
    key('p');  // paused: the step that sounds next
    controller->followPlayhead();
    check("playhead=6");
    key('p'), key(' ');
    check("playhead=-1");
    key(' '), sound.pos.playing = true, controller->stepSounded(3);
    check("playhead=15");
    sound.refusedKits.insert(16441), controller->setKit(16441);  // halts the clock
    check("playhead=-1");
}

}  // namespace
}  // namespace pattaplex::testing
