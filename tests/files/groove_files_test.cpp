// Saving and opening grooves and drum sets: what the files hold and what an open restores.

#include "groove_files.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include "integer_plist.h"
#include "test_support.h"

namespace pattaplex {
namespace {

using test::patternedState;

struct Grid {
    int32_t sub, beats, bars;
    size_t entries;
};

class GrooveRoundTrip : public ::testing::TestWithParam<Grid> {};

TEST_P(GrooveRoundTrip, SavesTheFileLayoutAndAnOpenRestoresEveryFieldOfIt) {
    const auto [sub, beats, bars, entries] = GetParam();
    const int n = sub * beats * bars;
    const GrooveState saved = patternedState(sub, beats, bars);
    test::ScratchFolder folder;
    const std::string path = folder.path("Groove.grv");
    ASSERT_EQ(saveGroove(path, saved), std::nullopt);
    EXPECT_EQ(
        test::readBytes(path).rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE", 0),
        0u);

    // 666, grid, tempo, kit, the ten notes, the ten volumes, then each row's steps.
    std::vector<int32_t> layout{666, sub, beats, bars, 133, 16409};
    for (const DrumRow& r : saved.rows) layout.push_back(r.DR);
    for (const DrumRow& r : saved.rows) layout.push_back(r.DV);
    for (const DrumRow& r : saved.rows)
        layout.insert(layout.end(), r.BUF.begin(), r.BUF.begin() + n);
    EXPECT_EQ(layout.size(), entries);
    EXPECT_EQ(parseIntegerArray(test::readBytes(path)), layout);

    // Opened into a different groove, only the file's fields change.
    GrooveState opened = patternedState(4, 4, 3);
    opened.TEMPO = 99, opened.KIT = 5;
    for (DrumRow& r : opened.rows) r.DR = 1, r.DV = 2, r.BUF.fill(-7);
    GrooveState expected = opened;
    expected.SUB = sub, expected.BEATS = beats, expected.BARS = bars;
    expected.TEMPO = saved.TEMPO, expected.KIT = saved.KIT;
    for (int r = 1; r <= kRowCount; ++r) {
        expected.row(r).DR = saved.row(r).DR, expected.row(r).DV = saved.row(r).DV;
        std::copy_n(saved.row(r).BUF.begin(), n, expected.row(r).BUF.begin());
    }
    std::string why;
    const std::optional<GrooveData> g = readGroove(path, &why);
    ASSERT_TRUE(g) << why;
    applyGroove(opened, *g);
    EXPECT_TRUE(opened == expected);
}

INSTANTIATE_TEST_SUITE_P(Grids, GrooveRoundTrip,
                         ::testing::Values(Grid{2, 4, 2, 186}, Grid{4, 4, 3, 506},
                                           Grid{3, 3, 6, 566}, Grid{2, 5, 8, 826}));

TEST(DrumSetFile, HoldsTheTenNotesAndTheKitAndAnOpenChangesOnlyThose) {
    const GrooveState saved = patternedState(2, 4, 2);
    test::ScratchFolder folder;
    const std::string path = folder.path("DrumSet.set");
    ASSERT_EQ(saveDrumSet(path, saved), std::nullopt);
    EXPECT_EQ(parseIntegerArray(test::readBytes(path)),
              (std::vector<int32_t>{35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 16409}));

    GrooveState opened = patternedState(4, 3, 1);
    opened.KIT = 1;
    for (DrumRow& r : opened.rows) r.DR = 0;
    GrooveState expected = opened;
    for (int r = 1; r <= kRowCount; ++r) expected.row(r).DR = saved.row(r).DR;
    expected.KIT = saved.KIT;
    const std::optional<DrumSetData> d = readDrumSet(path);
    ASSERT_TRUE(d);
    applyDrumSet(opened, *d);
    EXPECT_TRUE(opened == expected);
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
    std::string why;
    const std::optional<GrooveData> g = grooveFromBytes(xml, &why);
    ASSERT_TRUE(g) << why;
    EXPECT_EQ((std::array{g->SUB, g->BEATS, g->BARS, g->TEMPO, g->KIT}),
              (std::array{1, 2, 1, INT32_MIN, INT32_MAX}));
    EXPECT_EQ(g->notes[0], 0);
    EXPECT_EQ(g->volumes[9], 19);
    EXPECT_EQ(g->steps[0], (std::vector<int32_t>{20, 21}));
    EXPECT_EQ(g->steps[9], (std::vector<int32_t>{38, 39}));
}

TEST(GrooveFile, InBinaryPropertyListFormOpens) {
    const std::vector<int32_t> saved = grooveArray(patternedState(2, 4, 2));
    plist_t array = plist_new_array();
    for (int32_t v : saved)
        plist_array_append_item(array, plist_new_uint(static_cast<uint64_t>(int64_t{v})));
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(array, &bin, &length);
    plist_free(array);
    const std::string bytes(bin, length);
    plist_to_bin_free(bin);

    std::string why;
    const std::optional<GrooveData> g = grooveFromBytes(bytes, &why);
    ASSERT_TRUE(g) << why;
    GrooveState opened;
    applyGroove(opened, *g);
    EXPECT_EQ(grooveArray(opened), saved);
}

}  // namespace
}  // namespace pattaplex
