// Groove and drum-set files: what a save writes, what an open restores, and the files an
// open refuses.

#include "groove_files.h"

#include <gtest/gtest.h>
#include <plist/plist.h>
#include <sys/stat.h>

#include <functional>
#include <map>

#include "hostile_plists.h"
#include "integer_plist.h"
#include "test_support.h"

namespace pattaplex {
namespace {

using test::patternedState;

TEST(GrooveFile, SavesTheLayoutAndAnOpenInXmlOrBinaryRestoresEveryFieldOfIt) {
    for (const auto [sub, beats, bars, entries] :
         {std::array{2, 4, 2, 186}, {4, 4, 3, 506}, {3, 3, 6, 566}, {2, 5, 8, 826}}) {
        SCOPED_TRACE(entries);
        const int n = sub * beats * bars;
        const GrooveState saved = patternedState(sub, beats, bars);
        test::ScratchFolder folder;
        const std::string path = folder.path("Groove.grv");
        ASSERT_TRUE(saveGroove(path, saved));
        const std::string xml = test::readBytes(path);
        EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist", 0), 0u);

        // 666, grid, tempo, kit, the ten notes, the ten volumes, then each row's steps.
        std::vector<int32_t> layout{666, sub, beats, bars, 133, 16409};
        for (const DrumRow& r : saved.rows) layout.push_back(r.DR);
        for (const DrumRow& r : saved.rows) layout.push_back(r.DV);
        for (const DrumRow& r : saved.rows)
            layout.insert(layout.end(), r.BUF.begin(), r.BUF.begin() + n);
        EXPECT_EQ(layout.size(), static_cast<size_t>(entries));
        // Its velocities differ from the row volumes, so the feel block follows: each
        // step's velocity, repeats and chance after the header.
        layout.insert(layout.end(), {kFeelMark, 4 + 30 * n, 1, 50, 0, 0});
        for (const DrumRow& r : saved.rows)
            for (int i = 0; i < n; ++i) layout.insert(layout.end(), {r.VOL[i], 1, 100});
        EXPECT_EQ(*parseIntegerArray(xml), layout);

        plist_t root = nullptr;
        plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &root);
        char* bin = nullptr;
        uint32_t length = 0;
        plist_to_bin(root, &bin, &length);
        plist_free(root);
        const std::string binary(bin, length);
        plist_to_bin_free(bin);

        // Opened into a different groove only the file's fields change (the pattern's other
        // fields do not depend on the grid), and nothing of that groove is left past the
        // file's steps.
        GrooveState opened = patternedState(4, 4, 3), expected = saved;
        opened.TEMPO = 99, opened.KIT = 5;
        for (DrumRow& r : opened.rows) r.DR = 1, r.DV = 2, r.BUF.fill(-7);
        for (DrumRow& r : expected.rows) {
            std::fill(r.BUF.begin() + n, r.BUF.end(), 0);
            std::fill(r.VOL.begin() + n, r.VOL.end(), r.DV);
        }
        for (const Result<GrooveData>& g : {readGroove(path), grooveFromBytes(binary)}) {
            ASSERT_TRUE(g);
            GrooveState s = opened;
            applyGroove(s, *g);
            EXPECT_TRUE(s == expected);
        }
    }
}

TEST(DrumSetFile, HoldsTheTenNotesAndTheKitAndAnOpenChangesOnlyThose) {
    test::ScratchFolder folder;
    const std::string path = folder.path("DrumSet.set");
    ASSERT_TRUE(saveDrumSet(path, patternedState(2, 4, 2)));
    const std::vector<int32_t> drums{35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 16409};
    EXPECT_EQ(*parseIntegerArray(test::readBytes(path)), drums);

    GrooveState opened = patternedState(4, 3, 1), expected = opened;
    opened.KIT = 1;
    for (DrumRow& r : opened.rows) r.DR = 0;
    const Result<DrumSetData> d = readDrumSet(path);
    ASSERT_TRUE(d);
    applyDrumSet(opened, *d);
    EXPECT_TRUE(opened == expected);
}

TEST(GrooveFile, WrittenByHandWithDoctypeCommentsAndOddIndentationOpens) {
    std::string xml =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\r\n"
        "<plist version=\"1.0\">\n  <array>\n  <!-- was <integer>99999999999</integer> -->\n"
        "<integer>666</integer><integer>1</integer>\n\t\t<integer> 2 </integer>\n"
        "      <integer>+1</integer>   <integer>2147483647</integer>\n"
        "<integer>-2147483648</integer>\n";
    std::vector<int32_t> expected{666, 1, 2, 1, 240, INT32_MIN};  // the tempo brought to 240
    // Leading zeros change nothing: numbers are decimal.
    for (int32_t i = 0; i < 20 + 10 * 2; ++i) {
        xml += "        <integer>0" + std::to_string(i) + "</integer>\n";
        expected.push_back(i);
    }
    const Result<GrooveData> g = grooveFromBytes(xml + "</array>\n</plist>\n");
    ASSERT_TRUE(g);
    GrooveState opened;
    applyGroove(opened, *g);
    EXPECT_EQ(grooveArray(opened), expected);
}

// A groove with every kind of feel, and the same groove without any.
std::pair<GrooveState, GrooveState> feltAndPlain() {
    GrooveState plain = test::patternedState(4, 4, 3);
    for (DrumRow& r : plain.rows) r.VOL.fill(r.DV);
    plain.row(2).VOL[47] = 127;  // inactive steps may hold any velocity
    plain.row(2).BUF[47] = 0;
    GrooveState felt = plain;
    felt.SWING = 66, felt.HUMMS = 12, felt.HUMVEL = 7;
    felt.row(1).VOL[1] = 3;  // (1 + 1) % 3 != 0: an active step
    felt.row(10).REP[47] = 4;
    felt.row(4).CHANCE[0] = 25;
    return {felt, plain};
}

TEST(FeelBlock, FollowsTheStepsOnlyWhenThereIsFeelAndAnOpenRestoresIt) {
    const auto [felt, plain] = feltAndPlain();
    const std::vector<int32_t> plainArray = grooveArray(plain);
    ASSERT_EQ(plainArray.size(), 506u);  // a plain groove: nothing after its steps
    // Each kind of feel alone brings the block, the entries before it as they were.
    for (const auto& change : std::vector<std::function<void(GrooveState&)>>{
             [](GrooveState& s) { s.SWING = 51; }, [](GrooveState& s) { s.HUMMS = 1; },
             [](GrooveState& s) { s.HUMVEL = 20; }, [](GrooveState& s) { s.row(1).VOL[1] = 3; },
             [](GrooveState& s) { s.row(3).REP[0] = 2; },
             [](GrooveState& s) { s.row(9).CHANCE[47] = 75; }}) {
        GrooveState s = plain;
        change(s);
        const std::vector<int32_t> a = grooveArray(s);
        ASSERT_EQ(a.size(), 506u + 6 + 30 * 48);
        EXPECT_TRUE(std::equal(plainArray.begin(), plainArray.end(), a.begin()));
        EXPECT_EQ(a[506], kFeelMark);
    }
    // Feel beyond the groove's steps is not the groove's.
    GrooveState beyond = plain;
    beyond.row(3).REP[48] = 3;
    EXPECT_EQ(grooveArray(beyond), plainArray);

    test::ScratchFolder folder;
    ASSERT_TRUE(saveGroove(folder.path("plain.grv"), plain));
    EXPECT_EQ(test::readBytes(folder.path("plain.grv")), integerArrayXml(plainArray));
    ASSERT_TRUE(saveGroove(folder.path("felt.grv"), felt));
    // Opened over a groove with other feel, each file decides alone how the groove plays:
    // without a block every step plays at its row's volume, plain and sure.
    GrooveState other = test::patternedState(2, 4, 2);
    other.SWING = 75, other.HUMMS = 20, other.HUMVEL = 20;
    for (DrumRow& r : other.rows) r.REP.fill(2), r.CHANCE.fill(50);
    GrooveState plainOpened = plain;  // every step at its row's volume
    plainOpened.row(2).VOL[47] = plain.row(2).DV;
    for (const auto& [name, expected] : {std::pair{"felt.grv", felt}, {"plain.grv", plainOpened}}) {
        SCOPED_TRACE(name);
        const Result<GrooveData> g = readGroove(folder.path(name));
        ASSERT_TRUE(g);
        GrooveState s = other;
        applyGroove(s, *g);
        EXPECT_EQ(std::tie(s.SWING, s.HUMMS, s.HUMVEL),
                  std::tie(expected.SWING, expected.HUMMS, expected.HUMVEL));
        for (size_t r = 0; r < kRowCount; ++r) {
            const DrumRow &got = s.rows[r], &want = expected.rows[r];
            for (size_t i = 0; i < kBufferSize; ++i) {
                ASSERT_EQ(got.VOL[i], i < 48 ? want.VOL[i] : want.DV) << r << " " << i;
                ASSERT_EQ(got.REP[i], i < 48 ? want.REP[i] : 1);
                ASSERT_EQ(got.CHANCE[i], i < 48 ? want.CHANCE[i] : 100);
            }
        }
        EXPECT_EQ(grooveArray(s), grooveArray(expected));
    }
}

std::string integer(int64_t v) {
    return "<integer>" + std::to_string(v) + "</integer>";
}

// A property list of the entries; by default a valid 2 x 4 x 2 groove with some replaced.
std::string xmlOf(const std::map<size_t, std::string>& changes, size_t size = 186) {
    std::vector<std::string> entries(size, integer(1));
    entries[0] = integer(666), entries[1] = integer(2), entries[2] = integer(4);
    entries[3] = integer(2);
    for (const auto& [index, text] : changes) entries[index] = text;
    std::string xml = "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><array>\n";
    for (const std::string& e : entries) xml += e + "\n";
    return xml + "</array></plist>\n";
}

// A 2 x 4 x 2 groove with a sound feel block (values after its length: version, swing,
// humanise, then velocity, repeats and chance of each step), some replaced, and
// `extra` entries more or fewer.
std::string feelXml(const std::map<size_t, int32_t>& changes, int extra = 0) {
    std::vector<int32_t> block{1, 66, 5, 5};
    for (int i = 0; i < 160; ++i) block.insert(block.end(), {90, 2, 75});
    for (const auto& [index, value] : changes) block[index] = value;
    std::map<size_t, std::string> entries{{186, integer(kFeelMark)}, {187, integer(484)}};
    for (size_t i = 0; i < block.size(); ++i) entries[188 + i] = integer(block[i]);
    const size_t size = 188 + block.size() + static_cast<size_t>(extra);
    for (auto it = entries.begin(); it != entries.end();)
        it = it->first >= size ? entries.erase(it) : std::next(it);
    return xmlOf(entries, size);
}

TEST(FeelBlock, WrittenByHandOpensWithItsValues) {
    const Result<GrooveData> g = grooveFromBytes(feelXml({{4 + 3 * 20, 127}, {5 + 3 * 20, 4}}));
    ASSERT_TRUE(g);
    GrooveState s;
    applyGroove(s, *g);
    EXPECT_EQ(std::tie(s.SWING, s.HUMMS, s.HUMVEL), std::make_tuple(66, 5, 5));
    EXPECT_EQ(std::make_tuple(s.row(2).VOL[4], s.row(2).REP[4], s.row(2).CHANCE[4]),
              std::make_tuple(127, 4, 75));
    EXPECT_EQ(std::make_tuple(s.row(10).VOL[15], s.row(10).REP[15], s.row(10).CHANCE[15]),
              std::make_tuple(90, 2, 75));
}

std::string padded(std::string xml) {  // over 1 MiB of white space before the array
    return xml.insert(xml.find("<array>"), std::string(kMaxPlistFileBytes, ' '));
}

struct Refusal {
    const char* what;
    std::string contents;
    bool drumSet = false;
};

TEST(FileRefusal, EachFaultyOrHostileFileIsRefusedWithAReason) {
    const Refusal refusals[] = {
        {"not a property list", "just some text\n"},
        {"dictionary",
         "<plist version=\"1.0\"><dict><key>a</key><integer>666</integer></dict></plist>"},
        {"string entry", xmlOf({{7, "<string>36</string>"}})},
        {"text in an integer", xmlOf({{5, "<integer>abc</integer>"}})},
        {"above 32 bits", xmlOf({{4, integer(2147483648)}})},
        {"below 32 bits", xmlOf({{40, integer(-2147483649)}})},
        {"wraps to -1", xmlOf({{9, "<integer>18446744073709551615</integer>"}})},
        {"mark not 666", xmlOf({{0, integer(665)}})},
        {"SUB 0", xmlOf({{1, integer(0)}})},
        {"BEATS negative", xmlOf({{2, integer(-4)}})},
        {"BARS 0", xmlOf({{3, integer(0)}})},
        {"81 steps", xmlOf({{1, integer(9)}, {2, integer(9)}, {3, integer(1)}}, 836)},
        {"product overflows", xmlOf({{1, integer(65536)}, {2, integer(65536)}})},
        {"one entry short", xmlOf({}, 185)},
        {"larger than 1 MiB", padded(xmlOf({}))},
        {"array in the array", xmlOf({{5, "<array><integer>1</integer></array>"}})},
        {"nested 60,000 deep", hostile::deepXml()},
        {"entities declared", "<!DOCTYPE plist [<!ENTITY a \"1\">]>" + xmlOf({})},
        {"binary: shared references", hostile::sharedReferences()},
        {"binary: nested 60,000 deep", hostile::deepBinary()},
        {"binary: below 32 bits", hostile::belowInt32()},
        {"feel: length wrong", xmlOf({{186, integer(kFeelMark)}, {187, integer(483)}}, 670)},
        {"feel: length huge", xmlOf({{186, integer(kFeelMark)}, {187, integer(INT32_MAX)}}, 670)},
        {"feel: mark alone", xmlOf({{186, integer(kFeelMark)}}, 187)},
        {"feel: one entry short", feelXml({}, -1)},
        {"feel: one entry more", feelXml({}, 1)},
        {"feel: version 2", feelXml({{0, 2}})},
        {"feel: swing 76", feelXml({{1, 76}})},
        {"feel: swing 49", feelXml({{1, 49}})},
        {"feel: humanise 21 ms", feelXml({{2, 21}})},
        {"feel: humanise velocity -1", feelXml({{3, -1}})},
        {"feel: velocity 128", feelXml({{4 + 3 * 159, 128}})},
        {"feel: repeats 0", feelXml({{5, 0}})},
        {"feel: repeats 5", feelXml({{5 + 3 * 17, 5}})},
        {"feel: chance 60", feelXml({{6, 60}})},
        {"feel: chance 0", feelXml({{6 + 3 * 100, 0}})},
        {"set: ten entries", integerArrayXml({36, 38, 42, 46, 49, 51, 45, 48, 50, 56}), true},
        {"set: a groove", xmlOf({}), true},
        {"set: 16-byte integer", hostile::wideInteger(), true},
    };
    test::ScratchFolder folder;
    const std::string path = folder.path("file");
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        test::writeBytes(path, r.contents);
        std::string why;
        if (r.drumSet) {
            const Result<DrumSetData> d = readDrumSet(path);
            ASSERT_FALSE(d);
            why = d.error();
        } else {
            const Result<GrooveData> g = readGroove(path);
            ASSERT_FALSE(g);
            why = g.error();
        }
        EXPECT_FALSE(why.empty());
    }
    // Neither reader waits on a pipe or reads a folder.
    std::filesystem::create_directory(folder.path("folder"));
    ASSERT_EQ(mkfifo(folder.path("pipe").c_str(), 0600), 0);
    for (const char* name : {"folder", "missing", "pipe"})
        EXPECT_FALSE(readGroove(folder.path(name)) || readDrumSet(folder.path(name))) << name;
}

}  // namespace
}  // namespace pattaplex
