// The twelve built-in grooves, each checked against its printed table and patterns.
#include "presets.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

#include "clear_undo.h"
#include "defaults.h"
#include "groove_fixtures.h"
#include "names.h"

namespace pattaplex {
namespace {

struct FilledRow {
    int row;
    const char* steps;  // the pattern, step 0 first
    const char* drum;   // name the panel shows for the row's note
};

struct DrumCase {
    int tag;
    const char* name;
    int32_t bars, beats, sub, tempo, kit;
    const char* kitName;
    std::vector<std::pair<int, int32_t>> notes;    // row, note
    std::vector<std::pair<int, int32_t>> volumes;  // row, volume
    std::vector<FilledRow> filled;
};

const std::vector<DrumCase>& drumCases() {
    // clang-format off
    static const std::vector<DrumCase> cases{
        {1, "Jazz 4/4", 2, 4, 3, 100, 16417, "Jazz",
         {{1, 51}, {2, 42}, {3, 37}, {6, 63}}, {{1, 80}},
         {{1, "40 0 0 40 0 0 50 0 0 40 0 40 50 0 0 40 0 0 40 0 50 40 0 40", "Ride 1"},
          {2, "0 0 0 70 0 0 0 0 0 70 0 0 0 0 0 70 0 0 0 0 0 70 0 0", "Closed Hat"},
          {3, "0 0 0 0 0 0 0 0 0 70 0 0 0 0 0 0 0 0 0 0 0 70 0 0", "SideStick"},
          {6, "0 0 0 60 0 70 0 0 0 0 0 0 0 0 0 60 0 70 0 0 0 0 0 0", "Open Conga"}}},
        {2, "Jazz 3/4", 2, 3, 3, 100, 16417, "Jazz",
         {{1, 51}, {2, 42}, {3, 37}, {4, 36}, {8, 36}}, {{1, 60}},
         {{1, "50 0 0 40 0 50 60 0 0 40 50 0 40 0 50 40 0 40", "Ride 1"},
          {2, "0 0 0 70 0 0 0 0 0 0 0 0 70 0 0 0 60 0", "Closed Hat"},
          {3, "0 50 0 0 0 0 0 0 0 0 50 0 0 0 0 0 0 0", "SideStick"},
          {8, "40 0 0 0 0 0 0 0 40 40 0 0 0 0 0 40 0 0", "BassDrum1"}}},
        {3, "Funk", 2, 4, 4, 80, 16401, "Power",
         {{1, 42}, {2, 38}, {3, 54}, {6, 35}, {8, 36}}, {{8, 90}},
         {{1, "50 60 70 0 0 0 70 0 50 70 0 0 0 0 60 0 50 60 70 0 0 0 50 0 40 0 50 0 70 0 50 0",
           "Closed Hat"},
          {3, "70 70 0 0 70 0 0 0 70 0 0 0 50 70 0 0 70 0 0 0 70 0 0 0 70 70 0 0 70 0 0 0",
           "Tambourine"},
          {2, "0 0 0 0 70 0 0 0 0 0 0 0 70 0 0 0 0 0 0 0 70 0 0 0 0 0 0 0 70 0 0 0", "AccSnare"},
          {8, "70 0 0 0 0 0 70 0 70 0 0 0 0 0 0 50 70 70 0 0 0 0 50 0 70 0 0 0 0 0 0 50",
           "BassDrum1"}}},
        {4, "JazzBossa", 2, 4, 2, 160, 16417, "Jazz",
         {{1, 82}, {2, 69}, {3, 37}, {8, 36}}, {},
         {{1, "60 50 60 70 0 40 50 60 50 60 0 40 50 50 60 50", "Shaker 2"},
          {2, "0 50 70 0 0 0 70 0 0 50 70 0 0 0 70 0", "Shaker 1"},
          {3, "50 0 0 60 0 0 70 0 0 0 50 0 0 70 0 0", "SideStick"},
          {8, "60 0 0 0 0 0 0 40 60 0 0 50 0 0 0 40", "BassDrum1"}}},
        {5, "Salsa", 2, 4, 2, 160, 16417, "Jazz",
         {{1, 82}, {2, 37}, {4, 67}, {8, 36}}, {},
         {{1, "50 40 40 60 0 40 0 50 60 40 40 50 0 40 0 40", "Shaker 2"},
          {4, "50 0 0 50 60 0 0 0 50 0 0 50 0 0 60 0", "Lo Agogo"},
          {2, "50 0 0 40 0 0 50 0 0 0 50 0 0 50 0 0", "SideStick"},
          {8, "30 0 40 0 30 40 0 40 40 0 0 40 30 40 50 0", "BassDrum1"}}},
        {6, "Latin 3/4", 2, 3, 2, 130, 16417, "Jazz",
         {{1, 53}, {2, 37}, {3, 44}, {8, 36}}, {{1, 60}, {8, 100}},
         {{1, "50 60 0 70 0 50 50 60 0 70 0 70", "Ride Bell"},
          {2, "0 0 60 0 70 0 0 0 60 0 70 0", "SideStick"},
          {3, "0 60 0 60 0 0 0 60 0 60 0 0", "Pedal Hat"},
          {8, "70 0 0 0 0 60 70 0 0 0 0 60", "BassDrum1"}}},
        {7, "Latin 5/4", 2, 5, 2, 160, 16417, "Jazz",
         {{1, 53}, {2, 63}, {3, 56}, {8, 36}}, {{2, 100}, {3, 70}},
         {{1, "30 0 20 0 30 40 0 50 0 40 30 0 0 50 50 60 0 60 0 40", "Ride Bell"},
          {2, "20 30 0 20 0 50 0 0 60 0 0 30 0 20 0 50 0 0 60 0", "Open Conga"},
          {3, "30 0 0 60 0 0 60 0 60 0 30 0 0 60 0 0 60 0 60 0", "Cowbell"},
          {8, "60 0 0 40 50 0 40 0 50 0 60 0 0 40 30 50 40 0 50 0", "BassDrum1"}}},
        {8, "ECM", 2, 4, 4, 100, 16417, "Jazz",
         {{1, 59}, {2, 42}, {3, 75}, {8, 36}}, {{1, 90}, {3, 100}},
         {{1,
           "50 0 40 64 60 0 50 0 50 64 70 0 50 0 40 50 40 50 0 40 60 0 40 40 50 0 60 40 50 0 40 50",
           "Ride 2"},
          {2, "0 0 0 70 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 70 0 0 0 70 0 0 0 0 0 0 0 0", "Closed Hat"},
          {3, "0 70 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 70 0 0 0 0 0 0 0 0 0 0 0 0 0 0", "Wood Block1"},
          {8, "40 0 0 0 0 50 0 0 0 0 0 0 0 50 0 40 50 0 0 0 0 60 0 0 0 0 0 0 0 40 0 0",
           "BassDrum1"}}},
        {9, "Click Track", 1, 4, 2, 120, 16417, "Jazz",
         {{1, 56}, {2, 37}}, {},
         {{1, "1 0 0 0 0 0 0 0", "Cowbell"}, {2, "0 0 1 0 1 0 1 0", "SideStick"}}},
    };
    // clang-format on
    return cases;
}

std::vector<int32_t> parseSteps(const char* text) {
    std::istringstream in(text);
    std::vector<int32_t> steps;
    for (int32_t v; in >> v;) steps.push_back(v);
    return steps;
}

const FilledRow* filledRow(const DrumCase& c, int n) {
    for (const FilledRow& f : c.filled)
        if (f.row == n) return &f;
    return nullptr;
}

void PrintTo(const DrumCase& c, std::ostream* os) {
    *os << c.name;
}

class DrumPresetTest : public ::testing::TestWithParam<DrumCase> {};

TEST_P(DrumPresetTest, LoadsItsTableAndUndoesAsItsClearsDecide) {
    const DrumCase& c = GetParam();
    GrooveState s = test::busyGroove();
    const GrooveState before = s;
    const PresetOutcome out = doPreset(s, c.tag);

    EXPECT_EQ(out.name, c.name);
    EXPECT_EQ(presetName(c.tag), c.name);
    EXPECT_FALSE(out.kitTitle.has_value());
    EXPECT_EQ(s.lastFile, c.name);
    EXPECT_EQ(s.PRE, c.tag);
    EXPECT_EQ(s.dataTOG, 1);
    EXPECT_EQ(s.randTOG, before.randTOG);
    EXPECT_EQ(s.BARS, c.bars);
    EXPECT_EQ(s.BEATS, c.beats);
    EXPECT_EQ(s.SUB, c.sub);
    EXPECT_EQ(s.TEMPO, c.tempo);
    EXPECT_EQ(s.KIT, c.kit);
    EXPECT_EQ(kitName(s.KIT), c.kitName);

    std::array<int32_t, kRowCount> notes{}, volumes{};
    for (int n = 1; n <= kRowCount; ++n) {
        notes[n - 1] = before.row(n).DR;
        volumes[n - 1] = before.row(n).DV;
    }
    for (auto [n, note] : c.notes) notes[n - 1] = note;
    for (auto [n, volume] : c.volumes) volumes[n - 1] = volume;

    const int length = stepCount(s);
    for (int n = 1; n <= kRowCount; ++n) {
        SCOPED_TRACE("row " + std::to_string(n));
        const DrumRow& row = s.row(n);
        EXPECT_EQ(row.DR, notes[n - 1]);
        EXPECT_EQ(row.DV, volumes[n - 1]);
        std::vector<int32_t> expected(kWorkedSteps, 0);
        if (const FilledRow* f = filledRow(c, n)) {
            const std::vector<int32_t> pattern = parseSteps(f->steps);
            ASSERT_EQ(static_cast<int>(pattern.size()), length);
            std::copy(pattern.begin(), pattern.end(), expected.begin());
            EXPECT_EQ(soundName(s.KIT, row.DR), f->drum);
        }
        EXPECT_EQ(std::vector<int32_t>(row.BUF.begin(), row.BUF.begin() + kWorkedSteps), expected);
        // Only the selected row's velocities are refilled.
        for (int i = 0; i < kWorkedSteps; ++i)
            ASSERT_EQ(row.VOL[i], n == s.DEMO ? row.DV : before.row(n).VOL[i]);
    }

    // "Funk" to "Latin 5/4" clear a second time before setting their notes, so undo
    // brings back the old notes over an empty grid; the others bring back the old groove.
    const bool clearsTwice = c.tag >= 3 && c.tag <= 7;
    GrooveState undone = s;
    undoClear(undone);
    for (int n = 1; n <= kRowCount; ++n) {
        EXPECT_EQ(undone.row(n).DR, before.row(n).DR);
        EXPECT_EQ(undone.row(n).DV, s.row(n).DV);
        for (int i = 0; i < kWorkedSteps; ++i)
            ASSERT_EQ(undone.row(n).BUF[i], clearsTwice ? 0 : before.row(n).BUF[i]);
    }
    EXPECT_EQ(undone.TEMPO, c.tempo);
    EXPECT_EQ(undone.KIT, c.kit);

    // Chosen again, the preset gives the same groove; from a fresh program, the same steps.
    GrooveState again = s;
    doPreset(again, c.tag);
    GrooveState fresh = freshStartState();
    doPreset(fresh, c.tag);
    for (int n = 1; n <= kRowCount; ++n) {
        EXPECT_EQ(again.row(n).BUF, s.row(n).BUF);
        EXPECT_EQ(std::tie(again.row(n).DR, again.row(n).DV), std::tie(s.row(n).DR, s.row(n).DV));
        EXPECT_EQ(fresh.row(n).BUF, s.row(n).BUF);
    }
    EXPECT_EQ(std::tie(again.BARS, again.BEATS, again.SUB, again.TEMPO, again.KIT),
              std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO, s.KIT));
}

INSTANTIATE_TEST_SUITE_P(Presets, DrumPresetTest, ::testing::ValuesIn(drumCases()),
                         [](const auto& info) { return "tag" + std::to_string(info.param.tag); });

struct MelodicCase {
    int tag;
    const char* name;
    int32_t kit;
    const char* kitName;
    std::array<int32_t, kRowCount> notes;
    std::array<const char*, kRowCount> noteNames;
};

void PrintTo(const MelodicCase& c, std::ostream* os) {
    *os << c.name;
}

class MelodicPresetTest : public ::testing::TestWithParam<MelodicCase> {};

TEST_P(MelodicPresetTest, SetsInstrumentAndNotesThenFillsRandomSteps) {
    const MelodicCase& c = GetParam();
    GrooveState s = test::busyGroove();
    const PresetOutcome out = doPreset(s, c.tag, test::fixedClock(1234));
    GrooveState again = test::busyGroove();
    doPreset(again, c.tag, test::fixedClock(1234));
    EXPECT_EQ(again, s);  // the same second gives the same random fill
    EXPECT_EQ(out.name, c.name);
    EXPECT_EQ(s.lastFile, c.name);
    EXPECT_EQ(out.kitTitle.value_or(c.kitName), c.kitName);
    if (c.tag == 10) {
        EXPECT_EQ(out.kitTitle, "Kalimba");
    }
    EXPECT_EQ(s.KIT, c.kit);
    EXPECT_EQ(std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO), std::make_tuple(2, 4, 2, 160));
    EXPECT_EQ(s.randTOG, 4);
    EXPECT_EQ(s.dataTOG, 1);
    for (int n = 1; n <= kRowCount; ++n) {
        SCOPED_TRACE("row " + std::to_string(n));
        const DrumRow& row = s.row(n);
        EXPECT_EQ(row.DR, c.notes[n - 1]);
        EXPECT_EQ(soundName(s.KIT, row.DR), c.noteNames[n - 1]);
        const std::vector<int> on = test::onSteps(row);
        EXPECT_GE(on.size(), 1u);
        EXPECT_LE(on.size(), 4u);  // SUB x BARS draws per row
        for (int p : on) {
            EXPECT_LT(p, s.LNG);
            EXPECT_EQ(row.BUF[p], row.DR);
            EXPECT_GE(row.VOL[p], 60);
            EXPECT_LE(row.VOL[p], n == 1 ? 127 : 126);
        }
    }
    // The randomiser's own clear ran after the notes were set: undo empties the grid and
    // keeps the preset's notes.
    undoClear(s);
    for (int n = 1; n <= kRowCount; ++n) {
        EXPECT_TRUE(test::onSteps(s.row(n)).empty());
        EXPECT_EQ(s.row(n).DR, c.notes[n - 1]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Presets, MelodicPresetTest,
    ::testing::Values(MelodicCase{10,
                                  "Pentatonic",
                                  109,
                                  "Kalimba",
                                  {60, 63, 65, 67, 70, 72, 36, 43, 58, 60},
                                  {"C4", "Eb4", "F4", "G4", "Bb4", "C5", "C2", "G2", "Bb3", "C4"}},
                      MelodicCase{11,
                                  "Sus 2",
                                  5,
                                  "Rhodes",
                                  {60, 62, 67, 72, 74, 79, 36, 43, 60, 62},
                                  {"C4", "D4", "G4", "C5", "D5", "G5", "C2", "G2", "C4", "D4"}},
                      MelodicCase{
                          12,
                          "Minor 11",
                          1,
                          "Piano",
                          {56, 58, 63, 67, 65, 70, 41, 48, 55, 77},
                          {"Ab3", "Bb3", "Eb4", "G4", "F4", "Bb4", "F2", "C3", "G3", "F5"}}),
    [](const auto& info) { return "tag" + std::to_string(info.param.tag); });

TEST(Presets, MelodicRandomFillUsesTheLengthLastDrawn) {
    bool hitBeyondGrid = false;
    for (int seconds = 0; seconds < 100; ++seconds) {
        GrooveState s = freshStartState();
        s.LNG = 32;  // the grid of a 32-step preset as last drawn
        doPreset(s, 10, test::fixedClock(seconds));
        for (const DrumRow& row : s.rows)
            for (int p : test::onSteps(row)) {
                ASSERT_LT(p, 32);
                hitBeyondGrid |= p >= stepCount(s);
            }
    }
    EXPECT_TRUE(hitBeyondGrid);
}

TEST(Presets, MutedRowStaysMutedWhereThePatternFillsIt) {
    GrooveState s = freshStartState();
    s.row(2).DV = 0;
    doPreset(s, 4);
    EXPECT_EQ(s.row(2).DV, 0);
    EXPECT_EQ(s.row(2).BUF[1], 50);
}

TEST(Presets, TagOutsideTheTableOnlyClearsAndMarksUnsaved) {
    for (int tag : {0, 13, -1, INT32_MAX, INT32_MIN}) {
        SCOPED_TRACE(tag);
        GrooveState s = test::busyGroove();
        const GrooveState before = s;
        const PresetOutcome out = doPreset(s, tag);
        EXPECT_FALSE(out.name.has_value());
        EXPECT_FALSE(out.kitTitle.has_value());
        EXPECT_FALSE(presetName(tag).has_value());
        EXPECT_EQ(s.PRE, tag);
        EXPECT_EQ(s.dataTOG, 1);
        EXPECT_EQ(s.lastFile, before.lastFile);
        // Everything but the clear, the two flags and the selected row's velocities stays.
        GrooveState expected = before;
        clearBufs(expected);
        setVOL(expected);
        expected.PRE = tag;
        expected.dataTOG = 1;
        EXPECT_EQ(s, expected);
    }
}

}  // namespace
}  // namespace pattaplex
