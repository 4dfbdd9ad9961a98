// The info, preset and midi commands of pattaplex-cli, run as the built program.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "defaults.h"
#include "fresh_start.h"
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

TEST(Cli, WritesPresetsExportsAndShowsFilesAsAFreshProgramWould) {
    ScratchFolder folder;
    const auto in = [&](const std::string& name) { return folder.path(name); };
    GrooveState s = test::patternedState(2, 4, 1);
    s.KIT = 16417, s.row(1).DR = 36, s.row(1).DV = 0;
    for (int n = 1; n <= kRowCount; ++n) s.row(n).BUF.fill(0), s.row(n).BUF[n - 1] = 1;
    s.TEMPO = 1;  // opens as 40
    ASSERT_TRUE(saveGroove(in("in.grv"), s));
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"preset", "funk", in("funk.grv")},
                                               {"preset", "3", in("3.grv")},
                                               {"midi", in("in.grv"), in("out.mid")}})
        EXPECT_EQ(cli(args).status, 0);

    GrooveState funk = freshStartState();
    doPreset(funk, 3);
    EXPECT_EQ(*parseIntegerArray(test::readBytes(in("funk.grv"))), grooveArray(funk));
    EXPECT_EQ(test::readBytes(in("3.grv")), test::readBytes(in("funk.grv")));

    const test::MidiFile f = test::readMidi(in("out.mid"));
    std::vector<int> velocities, saved;  // row n plays on step n - 1: in row order
    for (const test::MidiEvent& e : f.tracks.at(1))
        if (e.second[0] == 0x99) velocities.push_back(e.second[2]);
    for (int n = 2; n <= 8; ++n) saved.push_back(s.row(n).VOL[n - 1]);  // row 1 is muted
    EXPECT_EQ(velocities, saved);

    const CliRun info = cli({"info", in("in.grv")});
    EXPECT_EQ(info.status, 0);
    for (const char* text : {"1 bars x 4 beats x 2 steps per beat = 8 steps", "Tempo:   40",
                             "16417 Jazz", "  1    36  BassDrum1          Off  x......."})
        EXPECT_NE(info.out.find(text), std::string::npos) << text << "\n" << info.out;

    s.SWING = 66, s.HUMMS = 3, s.HUMVEL = 4;
    s.row(2).REP[1] = 3, s.row(3).CHANCE[2] = 50, s.row(4).REP[7] = 2;  // the last inactive
    ASSERT_TRUE(saveGroove(in("felt.grv"), s));
    const CliRun felt = cli({"info", in("felt.grv")});
    for (const char* text :
         {"Swing:   66 %\n", "Humanise: 3 ms, velocity 4\n", "Repeats or chance: 2 steps\n"})
        EXPECT_NE(felt.out.find(text), std::string::npos) << text << "\n" << felt.out;
}

TEST(Cli, BadInputExitsWithOneLineAndWritesNoFile) {
    ScratchFolder folder;
    const auto in = [&](const std::string& name) { return folder.path(name); };
    test::writeBytes(in("drums.set"), integerArrayXml({36, 38, 42, 46, 49, 51, 45, 48, 50, 56, 1}));
    test::writeBytes(in("short.grv"), integerArrayXml({666, 2, 4, 2}));
    // The extension says which kind a file must be.
    test::writeBytes(in("drums.grv"), test::readBytes(in("drums.set")));
    test::writeBytes(in("old.mid"), "previous");
    std::filesystem::create_directory(in("taken.grv"));
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"preset", "Polka", in("new.grv")},
             {"preset", "Salsa", in("taken.grv")},
             {"info", in("drums.grv")},
             {"info", in("old.mid")},
             {"midi", in("missing.grv"), in("new.mid")},
             {"midi", in("short.grv"), in("old.mid")},
         }) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const CliRun run = cli(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.out.empty());
        EXPECT_TRUE(!run.err.empty() && run.err.find('\n') == run.err.size() - 1) << run.err;
    }
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"drums.grv", "drums.set", "old.mid",
                                                          "short.grv", "taken.grv"}));
    EXPECT_EQ(test::readBytes(in("old.mid")), "previous");
}

}  // namespace
}  // namespace pattaplex
