// Every command of the grid's key table, run through the key handler.

#include <functional>

#include "fixture.h"
#include "names.h"

namespace pattaplex::testing {
namespace {

struct KeyCase {
    const char* name;
    char32_t character;
    uint32_t modifiers;
    std::function<void(GrooveState&)> before;
    std::function<void(const GrooveState&, const FakeOutlets&, const FakeSound&)> expect;
};

void nothing(GrooveState&) {}

const KeyCase kKeyCases[] = {
    {"Digit3SelectsAndAuditions", '3', 0, nothing,
     [](const GrooveState& s, const FakeOutlets&, const FakeSound& snd) {
         EXPECT_EQ(s.DEMO, 3);
         EXPECT_EQ(snd.auditions.back(), std::make_pair(44, 120));
     }},
    {"Digit0SelectsRow10", '0', 0, nothing,
     [](const GrooveState& s, const FakeOutlets&, const FakeSound&) { EXPECT_EQ(s.DEMO, 10); }},
    {"ITogglesInfiniteRandom", 'i', 0, nothing,
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.INF, 1);
         EXPECT_EQ(o.infText, "INFINITE RANDOM");
     }},
    {"RightWrapsFrom84To35", kRightArrow, 0, [](GrooveState& s) { s.DEMO = 4, s.row(4).DR = 84; },
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.row(4).DR, 35);
         EXPECT_EQ(o.soundNames.at(4), "BassDrum2");
         EXPECT_EQ(o.selectors.at(4), 0);
     }},
    {"LeftWrapsFrom35To84", kLeftArrow, 0, [](GrooveState& s) { s.DEMO = 4, s.row(4).DR = 35; },
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.row(4).DR, 84);
         EXPECT_EQ(o.soundNames.at(4), "Slide Bells");
     }},
    {"RightWithAMelodicInstrumentShowsNoteNames", kRightArrow, 0,
     [](GrooveState& s) { s.KIT = 1, s.DEMO = 1, s.row(1).DR = 59; },
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.row(1).DR, 60);
         EXPECT_EQ(o.soundNames.at(1), "C4");
         EXPECT_EQ(o.kitField, "Piano");
     }},
    {"UpWrapsFrom127ToOff", kUpArrow, 0, [](GrooveState& s) { s.DEMO = 2, s.row(2).DV = 127; },
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.row(2).DV, 0);
         EXPECT_EQ(o.volumeFields.at(2), "Off");
     }},
    {"DownWrapsFromOffTo127", kDownArrow, 0, [](GrooveState& s) { s.DEMO = 2, s.row(2).DV = 0; },
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.row(2).DV, 127);
         EXPECT_EQ(o.volumeFields.at(2), "127");
     }},
    {"ArrowsChangeNoRowWhileNoneIsSelected", kUpArrow, 0, [](GrooveState& s) { s.DEMO = 0; },
     [](const GrooveState& s, const FakeOutlets&, const FakeSound&) {
         for (int n = 1; n <= 10; ++n) EXPECT_NE(s.row(n).DV, 1);
     }},
    {"Option9MutesRow9", 0x00AA, kOptionKey, [](GrooveState& s) { s.row(9).DV = 70; },
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.row(9).DV, 0);
         EXPECT_EQ(s.row(9).oldV, 70);
         EXPECT_EQ(o.volumeFields.at(9), "Off");
         EXPECT_EQ(s.DEMO, 1);
         EXPECT_EQ(s.dataTOG, 0);
     }},
    {"Option9UnmutesWithThePreviousVolume", 0x00AA, kOptionKey,
     [](GrooveState& s) { s.row(9).DV = 0, s.row(9).oldV = 70; },
     [](const GrooveState& s, const FakeOutlets&, const FakeSound&) {
         EXPECT_EQ(s.row(9).DV, 70);
     }},
    {"Option3WithNoPreviousVolumeStaysOff", 0x00A3, kOptionKey,
     [](GrooveState& s) { s.row(3).DV = 0, s.row(3).oldV = 0; },
     [](const GrooveState& s, const FakeOutlets&, const FakeSound&) { EXPECT_EQ(s.row(3).DV, 0); }},
    {"OptionSSavesADrumSet", 0x00DF, kOptionKey, nothing,
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.saveSET, 1);
         ASSERT_EQ(o.saveSheets.size(), 1u);
         EXPECT_EQ(o.saveSheets[0].second, "DrumSet.set");
     }},
    {"SharpSWithoutAModifierSavesNothing", 0x00DF, 0, nothing,
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.saveSET, 0);
         EXPECT_TRUE(o.saveSheets.empty());
     }},
    {"OptionOOpensADrumSetWithOrWithoutModifiers", 0x00F8, 0, nothing,
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.saveSET, 1);
         ASSERT_EQ(o.openSheets.size(), 1u);
         EXPECT_EQ(o.openSheets[0].second, "Groove");
     }},
    {"ControlSExportsMidi", 0x0013, kControlKey, nothing,
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.exportMIDI, 1);
         ASSERT_EQ(o.saveSheets.size(), 1u);
         EXPECT_EQ(o.saveSheets[0].second, "Groove.mid");
     }},
    {"RFillsRandomStepsWithTheRowVolume", 'r', 0, nothing,
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.randTOG, 3);
         EXPECT_EQ(s.undoTOG, 1);
         EXPECT_EQ(s.dataTOG, 1);
         EXPECT_EQ(o.undoTitle, "Revert");
         EXPECT_EQ(s.row(1).VOL[0], 90);
     }},
    {"ARandomisesEverything", 'a', 0, nothing,
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.randTOG, 5);
         EXPECT_EQ(o.undoTitle, "Revert");
         EXPECT_EQ(o.selectors.at(1), s.row(1).DR - 35);
     }},
    {"OptionRRandomisesVelocitiesOnly", 0x00AE, kOptionKey, nothing,
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.randTOG, 1);
         EXPECT_EQ(s.undoTOG, 0);
         EXPECT_EQ(o.undoTitle, "");
     }},
    {"ControlRFillsStepsAndVelocities", 0x0012, kControlKey, nothing,
     [](const GrooveState& s, const FakeOutlets&, const FakeSound&) {
         EXPECT_EQ(s.randTOG, 4);
         EXPECT_EQ(s.undoTOG, 1);
     }},
    {"DRandomisesDrumsOnly", 'd', 0, nothing,
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.randTOG, 2);
         EXPECT_EQ(o.soundNames.at(1), *soundName(s.KIT, s.row(1).DR));
     }},
    {"AnyKeyAfterARandomisationMarksAChange", 'x', 0, [](GrooveState& s) { s.randTOG = 2; },
     [](const GrooveState& s, const FakeOutlets&, const FakeSound&) { EXPECT_EQ(s.dataTOG, 1); }},
    {"CTogglesTheColourScheme", 'c', 0, nothing,
     [](const GrooveState& s, const FakeOutlets&, const FakeSound&) { EXPECT_EQ(s.colTOG, 1); }},
    {"SpaceStartsPlayback", ' ', 0, nothing,
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound& snd) {
         EXPECT_TRUE(snd.running);
         EXPECT_EQ(o.playTitle, "STOP");
         EXPECT_EQ(s.DEMO, 0);
     }},
    {"LeftBracketStopsAtOneBar", '[', 0, [](GrooveState& s) { s.BARS = 1; },
     [](const GrooveState& s, const FakeOutlets&, const FakeSound&) { EXPECT_EQ(s.BARS, 1); }},
    {"RightBracketStopsAtSixBars", ']', 0, [](GrooveState& s) { s.BARS = 6; },
     [](const GrooveState& s, const FakeOutlets&, const FakeSound&) { EXPECT_EQ(s.BARS, 6); }},
    {"RightBracketKeepsTheSteps", ']', 0, [](GrooveState& s) { s.row(1).BUF[0] = 51; },
     [](const GrooveState& s, const FakeOutlets&, const FakeSound&) {
         EXPECT_EQ(s.BARS, 3);
         EXPECT_EQ(s.row(1).BUF[0], 51);
     }},
    {"VTogglesVelocityNumbers", 'v', 0, nothing,
     [](const GrooveState& s, const FakeOutlets&, const FakeSound&) { EXPECT_EQ(s.velTOG, 1); }},
    {"DeleteClearsWithUndo", kDeleteKey, 0, [](GrooveState& s) { s.row(2).BUF[4] = 37; },
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.row(2).BUF[4], 0);
         EXPECT_EQ(s.row(2).undo[4], 37);
         EXPECT_EQ(o.undoTitle, "Undo");
     }},
    {"UUndoes", 'u', 0, [](GrooveState& s) { s.undoTOG = 1, s.row(2).undo[4] = 37; },
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.row(2).BUF[4], 37);
         EXPECT_EQ(o.undoTitle, "Revert");
     }},
    {"CommaWrapsFrom40To240", ',', 0, [](GrooveState& s) { s.TEMPO = 40; },
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.TEMPO, 240);
         EXPECT_EQ(o.tempoFieldValue, 240);
         EXPECT_EQ(o.tempoSliderValue, 240);
     }},
    {"FullStopWrapsFrom240To40", '.', 0, [](GrooveState& s) { s.TEMPO = 240; },
     [](const GrooveState& s, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(s.TEMPO, 40);
         EXPECT_EQ(o.tempoSliderValue, 40);
     }},
    {"SlashShowsHelp", '/', 0, nothing,
     [](const GrooveState&, const FakeOutlets& o, const FakeSound&) {
         ASSERT_EQ(o.sheets.size(), 1u);
         EXPECT_EQ(o.sheets[0].first, "Pattaplex Help");
         EXPECT_EQ(o.sheets[0].second, helptext);
     }},
    {"QuestionMarkShowsHelp", '?', 0, nothing,
     [](const GrooveState&, const FakeOutlets& o, const FakeSound&) {
         EXPECT_EQ(o.sheets.size(), 1u);
     }},
};

TEST_F(ControllerTest, EveryKeyOfTheTable) {
    for (const KeyCase& c : kKeyCases) {
        SCOPED_TRACE(c.name);
        GrooveState fresh = state;
        FakeOutlets freshOutlets = outlets;
        FakeSound freshSound = sound;
        GrooveController k(
            fresh, freshOutlets, freshSound, [] { return int64_t{1234}; }, printed);
        c.before(fresh);
        const int redraws = freshOutlets.redraws;
        k.keyDown(c.character, c.modifiers);
        EXPECT_EQ(fresh.key, static_cast<int32_t>(c.character));
        EXPECT_GT(freshOutlets.redraws, redraws);
        c.expect(fresh, freshOutlets, freshSound);
    }
}

TEST_F(ControllerTest, UpperCaseLettersAndAngleBracketsOnlyDoTheEveryKeySteps) {
    for (char32_t c : {U'R', U'D', U'A', U'I', U'V', U'U', U'P', U'C', U'<', U'>'}) {
        const GrooveState before = state;
        key(c);
        EXPECT_EQ(state.key, static_cast<int32_t>(c));
        EXPECT_EQ(state.INF, 0);
        EXPECT_EQ(state.randTOG, 0);
        EXPECT_EQ(state.colTOG, 0);
        EXPECT_EQ(state.velTOG, 0);
        EXPECT_EQ(state.TEMPO, 160);
        EXPECT_EQ(state.undoTOG, before.undoTOG);
        EXPECT_FALSE(sound.running);
    }
    EXPECT_EQ(outlets.infText, " ");
}

TEST_F(ControllerTest, ADeadKeyIsIgnored) {
    key(0);
    EXPECT_EQ(outlets.redraws, 0);
    EXPECT_EQ(outlets.infText, "");
}

TEST_F(ControllerTest, KeyThreeThenUpRaisesRowThreesVolume) {
    key('3');
    key(kUpArrow);
    EXPECT_EQ(state.row(3).DV, 121);
    EXPECT_EQ(outlets.volumeFields[3], "121");
}

TEST_F(ControllerTest, ArrowsAfterPlaybackStartedChangeNoRow) {
    key(' ');
    const GrooveState before = state;
    for (char32_t c : {kLeftArrow, kRightArrow, kUpArrow, kDownArrow}) key(c);
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(state.row(n).DR, before.row(n).DR);
        EXPECT_EQ(state.row(n).DV, before.row(n).DV);
    }
}

TEST_F(ControllerTest, KeysOnAGrooveWithAbsurdFieldsStayInBounds) {
    state.BARS = INT32_MAX;
    state.TEMPO = INT32_MIN;
    state.DEMO = 1;
    state.row(1).DR = INT32_MIN;
    for (char32_t c : {U']', U'[', U',', U'.', kLeftArrow, kRightArrow, U'r', U'a'}) key(c);
    EXPECT_GE(state.BARS, 1);
    EXPECT_LE(state.BARS, 6);
}

}  // namespace
}  // namespace pattaplex::testing
