// Every row of the grid's key table, run through the key handler: the character and
// modifiers in, what the groove, the window and the sound show afterwards out.

#include <functional>

#include "fixture.h"
#include "names.h"

namespace pattaplex::testing {
namespace {

struct Seen {
    const GrooveState& s;
    const FakeOutlets& o;
    const FakeSound& snd;
    std::string saved() const { return o.saveSheets.empty() ? "-" : o.saveSheets[0].second; }
};

struct KeyCase {
    char32_t character;
    uint32_t modifiers;
    std::function<void(GrooveState&)> before;
    std::function<std::string(const Seen&)> observe;
    std::string expected;
};

const KeyCase kKeyCases[] = {
    {'3', 0, {}, [](auto& w) { return join(w.s.DEMO, w.snd.auditions.back().first); }, "3 44"},
    {'0', 0, {}, [](auto& w) { return join(w.s.DEMO); }, "10"},
    {'i', 0, {}, [](auto& w) { return join(w.s.INF, w.o.infText); }, "1 INFINITE RANDOM"},
    // The arrows reload from the selected row and wrap.
    {kRightArrow, 0, [](GrooveState& s) { s.DEMO = 4, s.row(4).DR = 84; },
     [](auto& w) { return join(w.s.row(4).DR, w.o.soundNames.at(4), w.o.selectors.at(4)); },
     "35 BassDrum2 0"},
    {kLeftArrow, 0, [](GrooveState& s) { s.DEMO = 4, s.row(4).DR = 35; },
     [](auto& w) { return join(w.s.row(4).DR, w.o.soundNames.at(4)); }, "84 Slide Bells"},
    {kRightArrow, 0, [](GrooveState& s) { s.KIT = 1, s.row(1).DR = 59; },
     [](auto& w) { return join(w.s.row(1).DR, w.o.soundNames.at(1), w.o.kitField); },
     "60 C4 Piano"},
    {kUpArrow, 0, [](GrooveState& s) { s.DEMO = 2, s.row(2).DV = 127; },
     [](auto& w) { return join(w.s.row(2).DV, w.o.volumeFields.at(2)); }, "0 Off"},
    {kDownArrow, 0, [](GrooveState& s) { s.DEMO = 2, s.row(2).DV = 0; },
     [](auto& w) { return join(w.s.row(2).DV, w.o.volumeFields.at(2)); }, "127 127"},
    {kUpArrow, 0, [](GrooveState& s) { s.DEMO = 0, s.row(1).DV = 5; },
     [](auto& w) { return join(w.s.row(1).DV); }, "5"},
    // The mute toggles keep the previous volume.
    {0x00AA, kOptionKey, [](GrooveState& s) { s.row(9).DV = 70; },
     [](auto& w) {
         return join(w.s.row(9).DV, w.s.row(9).oldV, w.o.volumeFields.at(9), w.s.DEMO, w.s.dataTOG);
     },
     "0 70 Off 1 0"},
    {0x00AA, kOptionKey, [](GrooveState& s) { s.row(9).DV = 0, s.row(9).oldV = 70; },
     [](auto& w) { return join(w.s.row(9).DV); }, "70"},
    {0x00A3, kOptionKey, [](GrooveState& s) { s.row(3).DV = 0, s.row(3).oldV = 0; },
     [](auto& w) { return join(w.s.row(3).DV); }, "0"},
    // The file keys and their mode flags.
    {0x00DF, kOptionKey, {}, [](auto& w) { return join(w.s.saveSET, w.saved()); }, "1 DrumSet.set"},
    {0x00DF, 0, {}, [](auto& w) { return join(w.s.saveSET, w.saved()); }, "0 -"},
    {0x00F8,
     0,
     {},
     [](auto& w) { return join(w.s.saveSET, w.o.openSheets.at(0).second); },
     "1 Groove"},
    {0x0013,
     kControlKey,
     {},
     [](auto& w) { return join(w.s.exportMIDI, w.saved()); },
     "1 Groove.mid"},
    // The random keys; any key after the first randomisation marks a change.
    {'r',
     0,
     {},
     [](auto& w) {
         return join(w.s.randTOG, w.s.undoTOG, w.s.dataTOG, w.o.undoTitle, w.s.row(1).VOL[0]);
     },
     "3 1 1 Revert 90"},
    {'a',
     0,
     {},
     [](auto& w) {
         return join(w.s.randTOG, w.o.undoTitle, w.o.selectors.at(1) == w.s.row(1).DR - 35);
     },
     "5 Revert 1"},
    {0x00AE,
     kOptionKey,
     {},
     [](auto& w) { return join(w.s.randTOG, w.s.undoTOG, "[" + w.o.undoTitle + "]"); },
     "1 0 []"},
    {0x0012, kControlKey, {}, [](auto& w) { return join(w.s.randTOG, w.s.undoTOG); }, "4 1"},
    {'d',
     0,
     {},
     [](auto& w) {
         return join(w.s.randTOG, w.o.soundNames.at(1) == *soundName(w.s.KIT, w.s.row(1).DR));
     },
     "2 1"},
    {'x', 0, [](GrooveState& s) { s.randTOG = 2; }, [](auto& w) { return join(w.s.dataTOG); }, "1"},
    {'c', 0, {}, [](auto& w) { return join(w.s.colTOG); }, "1"},
    {'v', 0, {}, [](auto& w) { return join(w.s.velTOG); }, "1"},
    {' ', 0, {}, [](auto& w) { return join(w.snd.running, w.o.playTitle, w.s.DEMO); }, "1 STOP 0"},
    {'[', 0, [](GrooveState& s) { s.BARS = 1; }, [](auto& w) { return join(w.s.BARS); }, "1"},
    {']', 0, [](GrooveState& s) { s.BARS = 6; }, [](auto& w) { return join(w.s.BARS); }, "6"},
    {']', 0, [](GrooveState& s) { s.row(1).BUF[0] = 51; },
     [](auto& w) { return join(w.s.BARS, w.s.row(1).BUF[0]); }, "3 51"},
    {kDeleteKey, 0, [](GrooveState& s) { s.row(2).BUF[4] = 37; },
     [](auto& w) { return join(w.s.row(2).BUF[4], w.s.row(2).undo[4], w.o.undoTitle); },
     "0 37 Undo"},
    {'u', 0, [](GrooveState& s) { s.undoTOG = 1, s.row(2).undo[4] = 37; },
     [](auto& w) { return join(w.s.row(2).BUF[4], w.o.undoTitle); }, "37 Revert"},
    {',', 0, [](GrooveState& s) { s.TEMPO = 40; },
     [](auto& w) { return join(w.s.TEMPO, w.o.tempoFieldValue, w.o.tempoSliderValue); },
     "240 240 240"},
    {'.', 0, [](GrooveState& s) { s.TEMPO = 240; },
     [](auto& w) { return join(w.s.TEMPO, w.o.tempoFieldValue, w.o.tempoSliderValue); },
     "40 40 40"},
    {'/',
     0,
     {},
     [](auto& w) {
         return join(w.o.sheets.size(), w.o.sheets.at(0).first, w.o.sheets[0].second == helptext);
     },
     "1 Pattaplex Help 1"},
    {'?', 0, {}, [](auto& w) { return join(w.o.sheets.size()); }, "1"},
};

TEST_F(ControllerTest, EveryKeyOfTheTable) {
    for (const KeyCase& c : kKeyCases) {
        SCOPED_TRACE(::testing::Message()
                     << "key " << uint32_t(c.character) << " -> " << c.expected);
        GrooveState s = state;
        FakeOutlets o = outlets;
        FakeSound snd = sound;
        GrooveController k(
            s, o, snd, [] { return int64_t{1234}; }, printed);
        if (c.before) c.before(s);
        const int redraws = o.redraws;
        k.keyDown(c.character, c.modifiers);
        EXPECT_EQ(s.key, static_cast<int32_t>(c.character));
        EXPECT_GT(o.redraws, redraws);
        EXPECT_EQ(c.observe(Seen{s, o, snd}), c.expected);
    }
}

TEST_F(ControllerTest, UpperCaseAndDeadKeys) {
    for (char32_t c : {U'R', U'D', U'A', U'I', U'V', U'U', U'P', U'C', U'<', U'>'}) {
        key(c);  // only the steps every key takes
        EXPECT_EQ(state.key, static_cast<int32_t>(c));
        EXPECT_EQ(join(state.INF, state.randTOG, state.colTOG, state.velTOG, state.TEMPO,
                       state.undoTOG, sound.running),
                  "0 0 0 0 160 0 0");
    }
    EXPECT_EQ(outlets.infText, " ");
    const int redraws = outlets.redraws;
    key(0);
    EXPECT_EQ(outlets.redraws, redraws);
}

TEST_F(ControllerTest, KeysOnAGrooveWithAbsurdFieldsStayInBounds) {
    state.BARS = INT32_MAX;
    state.TEMPO = INT32_MIN;
    state.row(1).DR = INT32_MIN;
    for (char32_t c : {U']', U'[', U',', U'.', kLeftArrow, kRightArrow, U'r', U'a'}) key(c);
    EXPECT_TRUE(state.BARS >= 1 && state.BARS <= 6);
}

}  // namespace
}  // namespace pattaplex::testing
