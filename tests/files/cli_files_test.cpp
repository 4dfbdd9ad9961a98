// The info, preset and midi commands of pattaplex-cli, run as the built program.

#include <gtest/gtest.h>
#include <sys/wait.h>

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

// Runs the program with its output kept elsewhere, so the given folders show what it wrote.
CliRun cli(const std::vector<std::string>& args) {
    ScratchFolder io;
    std::string command = "'" PATTAPLEX_CLI "'";
    for (const std::string& a : args) command += " '" + a + "'";
    command += " >'" + io.path("out") + "' 2>'" + io.path("err") + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::readBytes(io.path("out")),
            test::readBytes(io.path("err"))};
}

TEST(Cli, WritesAPresetAndExportsAGrooveAsAFreshProgramWould) {
    ScratchFolder folder;
    GrooveState funk = freshStartState();
    doPreset(funk, 3);
    for (const std::string name : {"funk", "3"}) {
        EXPECT_EQ(cli({"preset", name, folder.path(name + ".grv")}).status, 0);
        EXPECT_EQ(parseIntegerArray(test::readBytes(folder.path(name + ".grv"))),
                  grooveArray(funk));
    }

    GrooveState s = test::patternedState(2, 4, 1);
    s.KIT = 16417;
    for (int n = 1; n <= kRowCount; ++n) s.row(n).BUF.fill(0), s.row(n).BUF[n - 1] = 1;
    ASSERT_EQ(saveGroove(folder.path("in.grv"), s), std::nullopt);
    const CliRun run = cli({"midi", folder.path("in.grv"), folder.path("out.mid")});
    ASSERT_EQ(run.status, 0) << run.err;
    const test::MidiFile f = test::readMidi(folder.path("out.mid"));
    std::vector<int> velocities;  // row n plays on step n - 1: in row order
    for (const test::MidiEvent& e : f.tracks.at(1))
        if (e.second[0] == 0x99) velocities.push_back(e.second[2]);
    EXPECT_EQ(velocities, std::vector<int>(kDefaultVolumes.begin(), kDefaultVolumes.begin() + 8));
}

TEST(Cli, ShowsAGrooveAndADrumSetReadably) {
    ScratchFolder folder;
    GrooveState s = test::patternedState(2, 2, 2);
    s.KIT = 16417, s.TEMPO = 120, s.row(1).DR = 36, s.row(1).DV = 0;
    s.row(1).BUF.fill(0);
    s.row(1).BUF[0] = s.row(1).BUF[5] = 1;
    ASSERT_EQ(saveGroove(folder.path("g.grv"), s), std::nullopt);
    ASSERT_EQ(saveDrumSet(folder.path("d.set"), s), std::nullopt);
    const std::string groove = cli({"info", folder.path("g.grv")}).out;
    const std::string drums = cli({"info", folder.path("d.set")}).out;
    for (const char* text : {"2 bars x 2 beats x 2 steps per beat = 8 steps", "Tempo:   120",
                             "16417 Jazz", "  1    36  BassDrum1          Off  x... .x.."})
        EXPECT_NE(groove.find(text), std::string::npos) << text << "\n" << groove;
    EXPECT_NE(drums.find(" 10    44  Pedal Hat"), std::string::npos) << drums;
}

TEST(Cli, BadInputExitsWithOneLineAndWritesNoFile) {
    ScratchFolder folder;
    const auto in = [&](const char* name) { return folder.path(name); };
    test::writeBytes(in("drums.set"), integerArrayXml({36, 38, 42, 46, 49, 51, 45, 48, 50, 56, 1}));
    test::writeBytes(in("short.grv"), integerArrayXml({666, 2, 4, 2}));
    test::writeBytes(in("old.mid"), "previous");
    std::filesystem::create_directory(in("taken.grv"));
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"preset", "Polka", in("new.grv")},
             {"preset", "13", in("new.grv")},
             {"preset", "Salsa", in("taken.grv")},
             {"preset", "Salsa"},
             {"info", in("short.grv")},
             {"info", in("old.mid")},
             {"midi", in("drums.set"), in("new.mid")},
             {"midi", in("missing.grv"), in("new.mid")},
             {"midi", in("short.grv"), in("old.mid")},
         }) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const CliRun run = cli(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.out.empty());
        EXPECT_TRUE(!run.err.empty() && run.err.find('\n') == run.err.size() - 1) << run.err;
    }
    EXPECT_EQ(folder.entries(),
              (std::vector<std::string>{"drums.set", "old.mid", "short.grv", "taken.grv"}));
    EXPECT_EQ(test::readBytes(in("old.mid")), "previous");
}

}  // namespace
}  // namespace pattaplex
