// Files the groove and drum-set readers refuse, and that a refused open changes nothing.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "groove_files.h"
#include "integer_plist.h"
#include "test_support.h"

namespace pattaplex {
namespace {

using test::ScratchFolder;

std::string xmlOf(const std::vector<std::string>& entries) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><array>\n";
    for (const std::string& e : entries) xml += e + "\n";
    return xml + "</array></plist>\n";
}

std::vector<std::string> integers(const std::vector<int64_t>& values) {
    std::vector<std::string> out;
    for (int64_t v : values) out.push_back("<integer>" + std::to_string(v) + "</integer>");
    return out;
}

// A valid 2 x 4 x 2 groove's entries with some of them replaced.
std::vector<std::string> grooveWith(std::map<size_t, std::string> changes, size_t size = 186) {
    std::vector<int64_t> values(size, 1);
    values[0] = 666;
    values[1] = 2;
    values[2] = 4;
    values[3] = 2;
    std::vector<std::string> entries = integers(values);
    for (const auto& [index, text] : changes) entries[index] = text;
    return entries;
}

std::string integer(int64_t v) {
    return "<integer>" + std::to_string(v) + "</integer>";
}

struct Refusal {
    const char* what;
    std::string contents;
};

// Opens as the window does: the groove changes only when the file is accepted.
bool openInto(GrooveState& s, const std::string& path, std::string& why) {
    const std::optional<GrooveData> g = readGroove(path, &why);
    if (g) applyGroove(s, *g);
    return g.has_value();
}

TEST(GrooveRefusal, EachFaultyFileIsRefusedWithAReasonAndTheGrooveKeepsItsState) {
    std::string bigButValid = xmlOf(grooveWith({}));
    bigButValid.insert(bigButValid.find("<array>"), std::string(kMaxPlistFileBytes, ' '));
    const std::vector<Refusal> refusals{
        {"empty file", ""},
        {"not a property list", "just some text\n"},
        {"dictionary",
         "<plist version=\"1.0\"><dict><key>a</key><integer>666</integer></dict></plist>"},
        {"string entry", xmlOf(grooveWith({{7, "<string>36</string>"}}))},
        {"real entry", xmlOf(grooveWith({{30, "<real>1.5</real>"}}))},
        {"nested array", xmlOf(grooveWith({{30, "<array/>"}}))},
        {"text in an integer", xmlOf(grooveWith({{5, "<integer>abc</integer>"}}))},
        {"empty integer", xmlOf(grooveWith({{5, "<integer/>"}}))},
        {"above 32 bits", xmlOf(grooveWith({{4, integer(2147483648)}}))},
        {"below 32 bits", xmlOf(grooveWith({{40, integer(-2147483649)}}))},
        {"above 64 bits", xmlOf(grooveWith({{4, "<integer>18446744073709551616</integer>"}}))},
        {"wraps to -1", xmlOf(grooveWith({{9, "<integer>18446744073709551615</integer>"}}))},
        {"huge negative", xmlOf(grooveWith({{9, "<integer>-99999999999999999999</integer>"}}))},
        {"mark not 666", xmlOf(grooveWith({{0, integer(665)}}))},
        {"drum set", xmlOf(integers({36, 38, 42, 46, 49, 51, 45, 48, 50, 56, 16417}))},
        {"SUB 0", xmlOf(grooveWith({{1, integer(0)}}))},
        {"BEATS negative", xmlOf(grooveWith({{2, integer(-4)}}))},
        {"BARS 0", xmlOf(grooveWith({{3, integer(0)}}))},
        {"81 steps", xmlOf(grooveWith({{1, integer(9)}, {2, integer(9)}, {3, integer(1)}}, 836))},
        {"product overflows", xmlOf(grooveWith({{1, integer(65536)}, {2, integer(65536)}}))},
        {"one entry short", xmlOf(grooveWith({}, 185))},
        {"header only", xmlOf(grooveWith({}, 26))},
        {"mark only", xmlOf(integers({666}))},
        {"larger than 1 MiB", bigButValid},
    };
    ScratchFolder folder;
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        const std::string path = folder.path("file.grv");
        test::writeBytes(path, r.contents);
        GrooveState s = test::patternedState(3, 4, 2);
        const std::string before = test::stateText(s);
        std::string why;
        EXPECT_FALSE(openInto(s, path, why));
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(test::stateText(s), before);
    }
}

TEST(GrooveRefusal, AFolderAMissingFileAndAPipeAreRefused) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.path("folder.grv"));
    ASSERT_EQ(mkfifo(folder.path("pipe.grv").c_str(), 0600), 0);
    for (const char* name : {"folder.grv", "missing.grv", "pipe.grv"}) {
        SCOPED_TRACE(name);
        std::string why;
        EXPECT_FALSE(readGroove(folder.path(name), &why));
        EXPECT_FALSE(why.empty());
        EXPECT_FALSE(readDrumSet(folder.path(name)));
    }
}

TEST(DrumSetRefusal, AnythingButAnArrayOfAtLeastElevenIntegersIsRefused) {
    std::string big = xmlOf(integers({36, 38, 42, 46, 49, 51, 45, 48, 50, 56, 16417}));
    big.insert(big.find("<array>"), std::string(kMaxPlistFileBytes, '\n'));
    const std::vector<Refusal> refusals{
        {"not a property list", "<html></html>"},
        {"ten entries", xmlOf(integers({36, 38, 42, 46, 49, 51, 45, 48, 50, 56}))},
        {"string entry", xmlOf({integer(36), integer(38), integer(42), integer(46), integer(49),
                                "<string>x</string>", integer(45), integer(48), integer(50),
                                integer(56), integer(16417)})},
        {"kit above 32 bits",
         xmlOf(integers({36, 38, 42, 46, 49, 51, 45, 48, 50, 56, 4294967296}))},
        {"larger than 1 MiB", big},
    };
    ScratchFolder folder;
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        test::writeBytes(folder.path("file.set"), r.contents);
        std::string why;
        EXPECT_FALSE(readDrumSet(folder.path("file.set"), &why));
        EXPECT_FALSE(why.empty());
    }
    // Longer arrays are fine: the first eleven entries count.
    test::writeBytes(folder.path("long.set"),
                     xmlOf(integers({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13})));
    const std::optional<DrumSetData> d = readDrumSet(folder.path("long.set"));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->notes[9], 10);
    EXPECT_EQ(d->KIT, 11);
}

}  // namespace
}  // namespace pattaplex
