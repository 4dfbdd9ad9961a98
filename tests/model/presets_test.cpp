// The twelve built-in grooves, each checked against its table and spot values of its patterns.
#include "presets.h"

#include <gtest/gtest.h>

#include <numeric>

#include "clear_undo.h"
#include "groove_fixtures.h"
#include "names.h"

namespace pattaplex {
namespace {

struct PresetCase {
    int tag;
    const char* name;
    int32_t bars, beats, sub, tempo, kit;
    const char* kitName;
    std::array<int32_t, kRowCount> notes, volumes;  // 0: the row keeps its own
    // Row, its steps on, their sum, the first and last one, and the name the panel shows
    // for its note; none for a melodic preset's random fill.
    std::vector<std::tuple<int, int, int, int, int, const char*>> filled;
};

// clang-format off
const PresetCase kPresets[] = {
    {1, "Jazz 4/4", 2, 4, 3, 100, 16417, "Jazz", {51, 42, 37, 0, 0, 63}, {80},
     {{1, 11, 470, 0, 23, "Ride 1"}}},
    {2, "Jazz 3/4", 2, 3, 3, 100, 16417, "Jazz", {51, 42, 37, 36, 0, 0, 0, 36}, {60},
     {{1, 10, 460, 0, 17, "Ride 1"}}},
    {3, "Funk", 2, 4, 4, 80, 16401, "Power", {42, 38, 54, 0, 0, 35, 0, 36}, {0, 0, 0, 0, 0, 0, 0, 90},
     {{1, 15, 870, 0, 30, "Closed Hat"}}},
    {4, "JazzBossa", 2, 4, 2, 160, 16417, "Jazz", {82, 69, 37, 0, 0, 0, 0, 36}, {},
     {{1, 14, 750, 0, 15, "Shaker 2"}}},
    {5, "Salsa", 2, 4, 2, 160, 16417, "Jazz", {82, 37, 0, 67, 0, 0, 0, 36}, {},
     {{1, 12, 550, 0, 15, "Shaker 2"}}},
    {6, "Latin 3/4", 2, 3, 2, 130, 16417, "Jazz", {53, 37, 44, 0, 0, 0, 0, 36}, {60, 0, 0, 0, 0, 0, 0, 100},
     {{1, 8, 480, 0, 11, "Ride Bell"}}},
    {7, "Latin 5/4", 2, 5, 2, 160, 16417, "Jazz", {53, 63, 56, 0, 0, 0, 0, 36}, {0, 100, 70},
     {{1, 12, 500, 0, 19, "Ride Bell"}}},
    {8, "ECM", 2, 4, 4, 100, 16417, "Jazz", {59, 42, 75, 0, 0, 0, 0, 36}, {90, 0, 100},
     {{1, 23, 1148, 0, 31, "Ride 2"}}},
    {9, "Click Track", 1, 4, 2, 120, 16417, "Jazz", {56, 37}, {},
     {{1, 1, 1, 0, 0, "Cowbell"}, {2, 3, 3, 2, 6, "SideStick"}}},
    {10, "Pentatonic", 2, 4, 2, 160, 109, "Kalimba", {60, 63, 65, 67, 70, 72, 36, 43, 58, 60}, {}, {}},
    {11, "Sus 2", 2, 4, 2, 160, 5, "Rhodes", {60, 62, 67, 72, 74, 79, 36, 43, 60, 62}, {}, {}},
    {12, "Minor 11", 2, 4, 2, 160, 1, "Piano", {56, 58, 63, 67, 65, 70, 41, 48, 55, 77}, {}, {}},
};
// clang-format on

// Named by its tag, so test names stay short.
void PrintTo(const PresetCase& c, std::ostream* os) {
    *os << c.name;
}

class PresetTest : public ::testing::TestWithParam<PresetCase> {};

TEST_P(PresetTest, LoadsItsTableAndUndoes) {
    const PresetCase& c = GetParam();
    const bool melodic = c.filled.empty();
    GrooveState s = test::busyGroove();
    s.row(4).DV = 0;  // a muted row stays muted where the pattern fills it
    s.LNG = 32;       // the random fill stays inside the preset's own grid
    const GrooveState before = s;
    const PresetOutcome out = doPreset(s, c.tag, test::fixedClock(1234));

    EXPECT_EQ(out.name, c.name);
    EXPECT_EQ(presetName(c.tag), c.name);
    EXPECT_EQ(out.kitTitle, melodic ? std::optional<std::string>(c.kitName) : std::nullopt);
    EXPECT_EQ(kitName(s.KIT), c.kitName);
    EXPECT_EQ(std::tie(s.lastFile, s.PRE, s.dataTOG, s.randTOG),
              std::make_tuple(std::string(c.name), c.tag, 1, melodic ? 4 : before.randTOG));
    EXPECT_EQ(std::tie(s.BARS, s.BEATS, s.SUB, s.TEMPO, s.KIT),
              std::tie(c.bars, c.beats, c.sub, c.tempo, c.kit));
    // Every hit is one sure hit again; the groove's swing and humanise stay.
    EXPECT_EQ(std::tie(s.SWING, s.HUMMS, s.HUMVEL),
              std::tie(before.SWING, before.HUMMS, before.HUMVEL));
    for (const DrumRow& row : s.rows)
        EXPECT_TRUE(row.REP == filledSteps(1) && row.CHANCE == filledSteps(kSurely));
    // "Funk" to "Latin 5/4" clear a second time before setting their notes, and the
    // melodic ones clear in the randomiser after it: those clears of an empty grid keep
    // the undo copy, so undo brings back the old groove and notes after every preset.
    GrooveState undone = s;
    undoClear(undone);
    for (int n = 1; n <= kRowCount; ++n) {
        SCOPED_TRACE(n);
        const DrumRow &row = s.row(n), &old = before.row(n);
        EXPECT_EQ(row.DR, c.notes[n - 1] ? c.notes[n - 1] : old.DR);
        EXPECT_EQ(row.DV, c.volumes[n - 1] ? c.volumes[n - 1] : old.DV);
        EXPECT_EQ(undone.row(n).DR, melodic ? row.DR : old.DR);
        for (int i = 0; i < kWorkedSteps; ++i) ASSERT_EQ(undone.row(n).BUF[i], old.BUF[i]);
        if (melodic) {  // SUB x BARS draws inside the preset's grid; mode 4 sets velocities
            const std::vector<int> on = test::onSteps(row);
            EXPECT_TRUE(on.size() >= 1 && on.size() <= 4) << on.size();
            for (int p : on)
                EXPECT_TRUE(p < stepCount(s) && row.BUF[p] == row.DR && row.VOL[p] >= 60) << p;
            continue;
        }
        for (auto [filledRow, hits, sum, first, last, drum] : c.filled) {
            if (filledRow != n) continue;
            const std::vector<int> on = test::onSteps(row);
            EXPECT_EQ(soundName(s.KIT, row.DR), drum);
            EXPECT_EQ(std::make_tuple(on.size(), std::accumulate(row.BUF.begin(), row.BUF.end(), 0),
                                      on.front(), on.back()),
                      std::make_tuple(size_t(hits), sum, first, last));
        }
        for (int i = 0; i < kWorkedSteps; ++i)  // only the selected row's velocities refill
            ASSERT_EQ(row.VOL[i], n == s.DEMO ? row.DV : old.VOL[i]);
    }
    if (melodic) {
        GrooveState other = before;
        doPreset(other, c.tag, test::fixedClock(1235));
        EXPECT_NE(other.rows, s.rows);  // the fill comes from the clock it is given
    }
}

INSTANTIATE_TEST_SUITE_P(Presets, PresetTest, ::testing::ValuesIn(kPresets),
                         [](const auto& info) { return "tag" + std::to_string(info.param.tag); });

TEST(Presets, TagOutsideTheTableOnlyClearsResetsTheHitsAndMarksUnsaved) {
    for (int tag : {0, 13, -1, INT32_MAX, INT32_MIN}) {
        GrooveState s = test::busyGroove();
        s.DEMO = 0;  // no row selected, so no velocities refilled
        GrooveState expected = s;
        clearBufs(expected);
        resetStepFeel(expected);
        std::tie(expected.PRE, expected.dataTOG) = std::make_tuple(tag, 1);
        const PresetOutcome out = doPreset(s, tag);
        EXPECT_FALSE(out.name || out.kitTitle || presetName(tag)) << tag;
        EXPECT_EQ(s, expected) << tag;
    }
}

}  // namespace
}  // namespace pattaplex
