// Files the groove and drum-set readers refuse, and that a refused open changes nothing.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "groove_files.h"
#include "integer_plist.h"
#include "test_support.h"

namespace pattaplex {
namespace {

std::string integer(int64_t v) {
    return "<integer>" + std::to_string(v) + "</integer>";
}

// A property list of the entries; by default a valid 2 x 4 x 2 groove with some replaced.
std::string xmlOf(const std::map<size_t, std::string>& changes, size_t size = 186) {
    std::vector<std::string> entries(size, integer(1));
    entries[0] = integer(666), entries[1] = integer(2), entries[2] = integer(4),
    entries[3] = integer(2);
    for (const auto& [index, text] : changes) entries[index] = text;
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><array>\n";
    for (const std::string& e : entries) xml += e + "\n";
    return xml + "</array></plist>\n";
}

const std::string kDrumSet = integerArrayXml({36, 38, 42, 46, 49, 51, 45, 48, 50, 56, 16417});

std::string padded(std::string xml) {  // over 1 MiB of white space before the array
    return xml.insert(xml.find("<array>"), std::string(kMaxPlistFileBytes, ' '));
}

TEST(GrooveRefusal, EachFaultyFileIsRefusedWithAReasonAndTheGrooveKeepsItsState) {
    const std::pair<const char*, std::string> refusals[] = {
        {"empty file", ""},
        {"not a property list", "just some text\n"},
        {"dictionary",
         "<plist version=\"1.0\"><dict><key>a</key><integer>666</integer></dict></plist>"},
        {"string entry", xmlOf({{7, "<string>36</string>"}})},
        {"real entry", xmlOf({{30, "<real>1.5</real>"}})},
        {"nested array", xmlOf({{30, "<array/>"}})},
        {"text in an integer", xmlOf({{5, "<integer>abc</integer>"}})},
        {"above 32 bits", xmlOf({{4, integer(2147483648)}})},
        {"below 32 bits", xmlOf({{40, integer(-2147483649)}})},
        {"wraps to -1", xmlOf({{9, "<integer>18446744073709551615</integer>"}})},
        {"mark not 666", xmlOf({{0, integer(665)}})},
        {"drum set", kDrumSet},
        {"SUB 0", xmlOf({{1, integer(0)}})},
        {"BEATS negative", xmlOf({{2, integer(-4)}})},
        {"BARS 0", xmlOf({{3, integer(0)}})},
        {"81 steps", xmlOf({{1, integer(9)}, {2, integer(9)}, {3, integer(1)}}, 836)},
        {"product overflows", xmlOf({{1, integer(65536)}, {2, integer(65536)}})},
        {"one entry short", xmlOf({}, 185)},
        {"larger than 1 MiB", padded(xmlOf({}))},
    };
    test::ScratchFolder folder;
    const std::string path = folder.path("file.grv");
    for (const auto& [what, contents] : refusals) {
        SCOPED_TRACE(what);
        test::writeBytes(path, contents);
        GrooveState s = test::patternedState(3, 4, 2);
        const GrooveState before = s;
        std::string why;
        const std::optional<GrooveData> g = readGroove(path, &why);
        if (g) applyGroove(s, *g);
        EXPECT_FALSE(g);
        EXPECT_FALSE(why.empty());
        EXPECT_TRUE(s == before);
    }
}

TEST(DrumSetRefusal, AnythingButAnArrayOfAtLeastElevenIntegersIsRefused) {
    const std::pair<const char*, std::string> refusals[] = {
        {"not a property list", "<html></html>"},
        {"ten entries", integerArrayXml({36, 38, 42, 46, 49, 51, 45, 48, 50, 56})},
        {"string entry", xmlOf({{5, "<string>x</string>"}}, 11)},
        {"kit above 32 bits", xmlOf({{10, integer(4294967296)}}, 11)},
        {"larger than 1 MiB", padded(kDrumSet)},
    };
    test::ScratchFolder folder;
    for (const auto& [what, contents] : refusals) {
        SCOPED_TRACE(what);
        test::writeBytes(folder.path("file.set"), contents);
        std::string why;
        EXPECT_FALSE(readDrumSet(folder.path("file.set"), &why));
        EXPECT_FALSE(why.empty());
    }
    // Longer arrays are fine: the first eleven entries count.
    const std::optional<DrumSetData> d =
        drumSetFromBytes(integerArrayXml({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->KIT, 11);
}

TEST(FileRefusal, AFolderAMissingFileAndAPipeAreRefused) {
    test::ScratchFolder folder;
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

}  // namespace
}  // namespace pattaplex
