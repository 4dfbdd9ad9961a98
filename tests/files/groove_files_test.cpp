// Saving and opening grooves and drum sets: what the files hold and what an open restores.

#include "groove_files.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include "integer_plist.h"
#include "test_support.h"

namespace pattaplex {
namespace {

using test::patternedState;
using test::ScratchFolder;
using test::stateText;

std::vector<int32_t> savedArray(const std::string& path) {
    return parseIntegerArray(test::readBytes(path)).value_or(std::vector<int32_t>{});
}

struct Grid {
    int32_t sub, beats, bars;
    size_t entries;
};

void PrintTo(const Grid& g, std::ostream* os) {
    *os << g.sub << " x " << g.beats << " x " << g.bars << ", " << g.entries << " entries";
}

class GrooveRoundTrip : public ::testing::TestWithParam<Grid> {};

TEST_P(GrooveRoundTrip, SavesTheFileLayoutAndAnOpenRestoresEveryFieldOfIt) {
    const Grid grid = GetParam();
    const int n = grid.sub * grid.beats * grid.bars;
    const GrooveState saved = patternedState(grid.sub, grid.beats, grid.bars);
    ScratchFolder folder;
    const std::string path = folder.path("Groove.grv");
    ASSERT_EQ(saveGroove(path, saved), std::nullopt);

    const std::vector<int32_t> a = savedArray(path);
    ASSERT_EQ(a.size(), grid.entries);
    EXPECT_EQ(a, grooveArray(saved));
    EXPECT_EQ((std::vector<int32_t>{666, grid.sub, grid.beats, grid.bars, 133, 16409}),
              std::vector<int32_t>(a.begin(), a.begin() + 6));
    for (int r = 1; r <= kRowCount; ++r) {
        EXPECT_EQ(a[5 + r], saved.row(r).DR);
        EXPECT_EQ(a[15 + r], saved.row(r).DV);
        for (int j = 0; j < n; ++j) EXPECT_EQ(a[26 + (r - 1) * n + j], saved.row(r).BUF[j]);
    }

    // Open into a different groove: only the file's fields change.
    GrooveState opened = patternedState(4, 4, 3);
    opened.TEMPO = 99;
    opened.KIT = 5;
    for (DrumRow& row : opened.rows) {
        row.DR = 1;
        row.DV = 2;
        row.BUF.fill(-7);
    }
    GrooveState expected = opened;
    expected.SUB = grid.sub;
    expected.BEATS = grid.beats;
    expected.BARS = grid.bars;
    expected.TEMPO = 133;
    expected.KIT = 16409;
    for (int r = 1; r <= kRowCount; ++r) {
        expected.row(r).DR = saved.row(r).DR;
        expected.row(r).DV = saved.row(r).DV;
        for (int j = 0; j < n; ++j) expected.row(r).BUF[j] = saved.row(r).BUF[j];
    }
    std::string why;
    const std::optional<GrooveData> g = readGroove(path, &why);
    ASSERT_TRUE(g) << why;
    applyGroove(opened, *g);
    EXPECT_EQ(stateText(opened), stateText(expected));
}

INSTANTIATE_TEST_SUITE_P(Grids, GrooveRoundTrip,
                         ::testing::Values(Grid{2, 4, 2, 186}, Grid{4, 4, 3, 506},
                                           Grid{3, 3, 6, 566}, Grid{2, 5, 8, 826}),
                         [](const ::testing::TestParamInfo<Grid>& info) {
                             const Grid& g = info.param;
                             return "Sub" + std::to_string(g.sub) + "Beats" +
                                    std::to_string(g.beats) + "Bars" + std::to_string(g.bars);
                         });

TEST(DrumSetFile, HoldsTheTenNotesAndTheKitAndAnOpenChangesOnlyThose) {
    const GrooveState saved = patternedState(2, 4, 2);
    ScratchFolder folder;
    const std::string path = folder.path("DrumSet.set");
    ASSERT_EQ(saveDrumSet(path, saved), std::nullopt);
    EXPECT_EQ(savedArray(path),
              (std::vector<int32_t>{35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 16409}));

    GrooveState opened = patternedState(4, 3, 1);
    opened.KIT = 1;
    for (DrumRow& row : opened.rows) row.DR = 0;
    GrooveState expected = opened;
    for (int r = 1; r <= kRowCount; ++r) expected.row(r).DR = saved.row(r).DR;
    expected.KIT = saved.KIT;
    const std::optional<DrumSetData> d = readDrumSet(path);
    ASSERT_TRUE(d);
    applyDrumSet(opened, *d);
    EXPECT_EQ(stateText(opened), stateText(expected));
}

TEST(GrooveFile, IsWrittenInThePublishedXmlForm) {
    ScratchFolder folder;
    const std::string path = folder.path("Groove.grv");
    GrooveState s = patternedState(2, 4, 2);
    s.row(1).BUF[0] = -5;
    ASSERT_EQ(saveGroove(path, s), std::nullopt);
    const std::string xml = test::readBytes(path);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC "
                        "\"-//Apple//DTD PLIST 1.0//EN\" "
                        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                        "<plist version=\"1.0\">\n<array>\n\t<integer>666</integer>\n",
                        0),
              0u);
    EXPECT_NE(xml.find("<integer>-5</integer>"), std::string::npos);
    EXPECT_NE(xml.find("</array>\n</plist>"), std::string::npos);
}

TEST(GrooveFile, WrittenByHandWithDoctypeCommentsAndOddIndentationOpens) {
    std::string xml =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\r\n"
        "<plist version=\"1.0\">\n  <array>\n  <!-- written by hand -->\n"
        "<integer>666</integer><integer>1</integer>\n\t\t<integer> 2 </integer>\n"
        "      <integer>+1</integer>   <integer>-2147483648</integer>\n"
        "<integer>2147483647</integer>\n";
    for (int i = 0; i < 20 + 10 * 2; ++i)
        xml += "        <integer>" + std::to_string(i) + "</integer>\n";
    xml += "</array>\n</plist>\n";
    ScratchFolder folder;
    test::writeBytes(folder.path("hand.grv"), xml);

    std::string why;
    const std::optional<GrooveData> g = readGroove(folder.path("hand.grv"), &why);
    ASSERT_TRUE(g) << why;
    EXPECT_EQ(g->SUB, 1);
    EXPECT_EQ(g->BEATS, 2);
    EXPECT_EQ(g->BARS, 1);
    EXPECT_EQ(g->TEMPO, INT32_MIN);
    EXPECT_EQ(g->KIT, INT32_MAX);
    EXPECT_EQ(g->notes[0], 0);
    EXPECT_EQ(g->volumes[9], 19);
    EXPECT_EQ(g->steps[0], (std::vector<int32_t>{20, 21}));
    EXPECT_EQ(g->steps[9], (std::vector<int32_t>{38, 39}));
}

TEST(GrooveFile, InBinaryPropertyListFormOpens) {
    const GrooveState saved = patternedState(2, 4, 2);
    plist_t array = plist_new_array();
    for (int32_t v : grooveArray(saved))
        plist_array_append_item(array, plist_new_uint(static_cast<uint64_t>(int64_t{v})));
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(array, &bin, &length);
    plist_free(array);
    ScratchFolder folder;
    test::writeBytes(folder.path("binary.grv"), std::string(bin, length));
    plist_to_bin_free(bin);

    std::string why;
    const std::optional<GrooveData> g = readGroove(folder.path("binary.grv"), &why);
    ASSERT_TRUE(g) << why;
    GrooveState opened;
    applyGroove(opened, *g);
    EXPECT_EQ(grooveArray(opened), grooveArray(saved));
}

TEST(GrooveFile, OfUpTo80StepsPerRowIsReadInFullAndExtraEntriesAreIgnored) {
    GrooveState s = patternedState(4, 4, 5);  // 80 steps
    std::vector<int32_t> a = grooveArray(s);
    ASSERT_EQ(a.size(), 826u);
    a.push_back(12345);
    const std::optional<GrooveData> g = grooveFromBytes(integerArrayXml(a));
    ASSERT_TRUE(g);
    GrooveState opened;
    applyGroove(opened, *g);
    EXPECT_EQ(opened.row(10).BUF, s.row(10).BUF);
}

}  // namespace
}  // namespace pattaplex
