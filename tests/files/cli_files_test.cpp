// The info, preset and midi commands of pattaplex-cli, run as the built program.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>

#include "defaults.h"
#include "groove_files.h"
#include "integer_plist.h"
#include "presets.h"
#include "test_support.h"

namespace pattaplex {
namespace {

using test::ScratchFolder;

struct CliRun {
    int status;
    std::string out, err;
};

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

CliRun cli(const ScratchFolder& folder, const std::vector<std::string>& args) {
    std::string command = quoted(PATTAPLEX_CLI);
    for (const std::string& a : args) command += " " + quoted(a);
    command += " >" + quoted(folder.path("out.txt")) + " 2>" + quoted(folder.path("err.txt"));
    const int raw = std::system(command.c_str());
    CliRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::readBytes(folder.path("out.txt")),
               test::readBytes(folder.path("err.txt"))};
    std::filesystem::remove(folder.path("out.txt"));
    std::filesystem::remove(folder.path("err.txt"));
    return run;
}

bool oneLine(const std::string& text) {
    return !text.empty() && text.back() == '\n' && text.find('\n') == text.size() - 1;
}

TEST(CliPreset, WritesTheGrooveAFreshProgramHoldsAfterChoosingThePreset) {
    ScratchFolder folder;
    GrooveState expected = freshStartState();
    doPreset(expected, 3);  // "Funk"
    for (const std::string name : {"Funk", "funk", "3"}) {
        SCOPED_TRACE(name);
        const std::string path = folder.path(name + ".grv");
        const CliRun run = cli(folder, {"preset", name, path});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(parseIntegerArray(test::readBytes(path)), grooveArray(expected));
    }
}

TEST(CliPreset, RefusesAnUnknownPresetAndAnUnwritablePathWithoutWritingAFile) {
    ScratchFolder folder;
    CliRun run = cli(folder, {"preset", "Polka", folder.path("x.grv")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(oneLine(run.err)) << run.err;
    EXPECT_NE(run.err.find("Polka"), std::string::npos);

    run = cli(folder, {"preset", "13", folder.path("x.grv")});
    EXPECT_EQ(run.status, 1);

    std::filesystem::create_directory(folder.path("taken.grv"));
    run = cli(folder, {"preset", "Salsa", folder.path("taken.grv")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(oneLine(run.err)) << run.err;

    run = cli(folder, {"preset", "Salsa"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"taken.grv"});
}

TEST(CliInfo, ShowsAGrooveAndADrumSetReadably) {
    ScratchFolder folder;
    GrooveState s = test::patternedState(2, 2, 2);
    s.KIT = 16417;
    s.TEMPO = 120;
    s.row(1).DR = 36;
    s.row(1).DV = 0;
    s.row(1).BUF.fill(0);
    s.row(1).BUF[0] = s.row(1).BUF[5] = 1;
    ASSERT_EQ(saveGroove(folder.path("g.grv"), s), std::nullopt);
    ASSERT_EQ(saveDrumSet(folder.path("d.set"), s), std::nullopt);

    CliRun run = cli(folder, {"info", folder.path("g.grv")});
    EXPECT_EQ(run.status, 0) << run.err;
    for (const char* text :
         {"2 bars x 2 beats x 2 steps per beat = 8 steps", "Tempo:   120", "16417 Jazz",
          "  1    36  BassDrum1          Off  x... .x..", " 10    44  Pedal Hat          100"}) {
        EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
    }

    run = cli(folder, {"info", folder.path("d.set")});
    EXPECT_EQ(run.status, 0) << run.err;
    for (const char* text :
         {"Drum set", "16417 Jazz", "  1    36  BassDrum1", " 10    44  Pedal Hat"})
        EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
}

TEST(CliInfo, RefusesWhatIsNeitherAGrooveNorADrumSet) {
    ScratchFolder folder;
    test::writeBytes(folder.path("junk"), "not a property list");
    test::writeBytes(folder.path("short.grv"), integerArrayXml({666, 2, 4, 2}));
    test::writeBytes(folder.path("short.set"), integerArrayXml({36, 38}));
    for (const std::string name : {"junk", "short.grv", "short.set", "missing"}) {
        SCOPED_TRACE(name);
        const CliRun run = cli(folder, {"info", folder.path(name)});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(oneLine(run.err)) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
}

TEST(CliMidi, ExportsAnOpenedGrooveWithTheStartUpVelocities) {
    ScratchFolder folder;
    GrooveState s = test::patternedState(2, 4, 1);
    s.KIT = 16417;
    for (int n = 1; n <= kRowCount; ++n) {
        s.row(n).BUF.fill(0);
        s.row(n).BUF[n - 1] = 1;  // row n plays on step n - 1
        s.row(n).DV = 5;
    }
    ASSERT_EQ(saveGroove(folder.path("in.grv"), s), std::nullopt);
    const CliRun run = cli(folder, {"midi", folder.path("in.grv"), folder.path("out.mid")});
    ASSERT_EQ(run.status, 0) << run.err;

    const test::MidiFile f = test::readMidi(folder.path("out.mid"));
    ASSERT_EQ(f.tracks.size(), 2u);
    std::vector<int> velocities;
    for (const test::MidiEvent& e : f.tracks[1])
        if (e.bytes[0] == 0x99) velocities.push_back(e.bytes[2]);
    EXPECT_EQ(velocities, std::vector<int>(kDefaultVolumes.begin(), kDefaultVolumes.begin() + 8));
}

TEST(CliMidi, BadInputLeavesNoFileAndKeepsAPreviousOne) {
    ScratchFolder folder;
    test::writeBytes(folder.path("drums.set"),
                     integerArrayXml({36, 38, 42, 46, 49, 51, 45, 48, 50, 56, 16417}));
    test::writeBytes(folder.path("old.mid"), "previous");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"midi", folder.path("drums.set"), folder.path("new.mid")},
          {"midi", folder.path("missing.grv"), folder.path("new.mid")},
          {"midi", folder.path("drums.set"), folder.path("old.mid")},
          {"midi", folder.path("drums.set")}}) {
        const CliRun run = cli(folder, args);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(oneLine(run.err)) << run.err;
    }
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"drums.set", "old.mid"}));
    EXPECT_EQ(test::readBytes(folder.path("old.mid")), "previous");
}

}  // namespace
}  // namespace pattaplex
