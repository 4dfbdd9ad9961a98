// The two programs' command lines, run as built: help, version, usage errors and the file
// the window program is given.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string out, err;
};

std::string shellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(mkdtemp(folder.data())); }
    void TearDown() override { fs::remove_all(folder); }

    // Runs the program with the given environment settings (an "env" argument list).
    Outcome run(const char* program, const std::vector<std::string>& args,
                const std::string& environment = "") {
        std::string command = "env " + environment + " " + shellQuoted(program);
        for (const std::string& a : args) command += " " + shellQuoted(a);
        command += " >" + shellQuoted(folder + "/out") + " 2>" + shellQuoted(folder + "/err");
        const int raw = std::system(command.c_str());
        Outcome r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {}, {}};
        for (auto [text, name] : {std::pair{&r.out, "/out"}, {&r.err, "/err"}})
            *text = (std::ostringstream() << std::ifstream(folder + name).rdbuf()).str();
        return r;
    }
    std::string folder = testing::TempDir() + "pattaplex-cmdline-XXXXXX";
};

TEST_F(CommandLine, BothAnswerHelpAndVersionAndRefuseBadCommandLinesWithStatus2) {
    // With no display to reach, the window toolkit would stop the program before it printed.
    const std::string noDisplay = "-u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb";
    struct Expect {
        const char* program;
        std::vector<std::string> args;
        int status;
        const char* text;  // stdout holds it on success, else stderr with stdout empty
    };
    const Expect cases[] = {
        {PATTAPLEX_CLI, {}, 2, "usage: pattaplex-cli COMMAND"},
        {PATTAPLEX_CLI, {"--help"}, 0, "render IN.grv OUT.wav"},
        {PATTAPLEX_CLI, {"--version"}, 0, "pattaplex-cli " PATTAPLEX_VERSION "\n"},
        {PATTAPLEX_CLI, {"help"}, 0, "preset NAME|TAG OUT.grv"},
        {PATTAPLEX_CLI, {"help", "render"}, 0, "usage: pattaplex-cli render IN.grv OUT.wav"},
        {PATTAPLEX_CLI, {"midi", "--help"}, 0, "usage: pattaplex-cli midi IN.grv OUT.mid"},
        {PATTAPLEX_CLI, {"help", "nope"}, 2, "usage: pattaplex-cli COMMAND"},
        {PATTAPLEX_CLI, {"bogus", "x"}, 2, "unknown command \"bogus\""},
        {PATTAPLEX_CLI, {"info"}, 2, "usage: pattaplex-cli info FILE"},
        {PATTAPLEX_CLI, {"preset", "Funk"}, 2, "usage: pattaplex-cli preset NAME|TAG OUT.grv"},
        {PATTAPLEX_CLI, {"midi", "a.grv", "b.mid", "c"}, 2, "usage: pattaplex-cli midi"},
        {PATTAPLEX_CLI, {"render", "a.grv"}, 2, "usage: pattaplex-cli render"},
        {PATTAPLEX_CLI, {"info", folder + "/missing.grv"}, 1, "missing.grv"},
        {PATTAPLEX_GUI, {"--help"}, 0, "[FILE]"},
        {PATTAPLEX_GUI, {"-h"}, 0, "A groove (.grv) or drum set (.set) to open."},
        {PATTAPLEX_GUI, {"--version"}, 0, "pattaplex " PATTAPLEX_VERSION "\n"},
        {PATTAPLEX_GUI, {"--bogus", "--help"}, 2, "Unknown option 'bogus'"},
        {PATTAPLEX_GUI, {"--help"}, 0, "--sync <SOURCE>"},
        {PATTAPLEX_GUI, {"--help"}, 0, "--link"},
        {PATTAPLEX_GUI, {"--help"}, 0, "--timebase-master"},
    };
    for (const Expect& e : cases) {
        SCOPED_TRACE(e.args.empty() ? "(none)" : e.args[0]);
        const Outcome r = run(e.program, e.args, noDisplay);
        EXPECT_EQ(r.status, e.status) << r.err;
        EXPECT_NE((e.status ? r.err : r.out).find(e.text), std::string::npos) << r.out << r.err;
        EXPECT_TRUE(e.status == 0 || r.out.empty()) << r.out;
    }
    const Outcome two = run(PATTAPLEX_GUI, {"a.grv", "b.grv"});  // past the display's set-up
    EXPECT_EQ(std::tie(two.status, two.out), std::make_tuple(2, "")) << two.err;
    EXPECT_NE(two.err.find("one file at most"), std::string::npos) << two.err;
    const Outcome sync = run(PATTAPLEX_GUI, {"--sync=wobble"});
    EXPECT_EQ(sync.status, 2);
    EXPECT_NE(sync.err.find("--sync takes internal, midi-clock, jack-transport or link, not "
                            "\"wobble\""),
              std::string::npos)
        << sync.err;
    const Outcome both = run(PATTAPLEX_GUI, {"--link", "--sync=midi-clock"});
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.err.find("--link and --sync=midi-clock cannot both be the source"),
              std::string::npos)
        << both.err;
}

TEST_F(CommandLine, WindowProgramOpensTheFileItIsGivenAndRefusesABadOne) {
    ASSERT_EQ(run(PATTAPLEX_CLI, {"preset", "Funk", folder + "/Funk.grv"}).status, 0);
    std::ofstream(folder + "/Junk.grv") << "not a groove";
    // The picture probe lets the window come up, pictures it and ends the program.
    const std::string probe = "HOME=" + shellQuoted(folder) +
                              " PATTAPLEX_SCREENSHOT=" + shellQuoted(folder + "/shot.png") +
                              " QT_QPA_PLATFORM=offscreen";
    const Outcome good = run(PATTAPLEX_GUI, {folder + "/Funk.grv"}, probe);
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_NE(good.out.find("ext1=grv"), std::string::npos) << good.out;
    EXPECT_EQ(good.err.find("Funk.grv"), std::string::npos) << good.err;
    const Outcome bad = run(PATTAPLEX_GUI, {folder + "/Junk.grv"}, probe);
    EXPECT_EQ(bad.status, 0) << bad.err;
    EXPECT_NE(bad.err.find("Junk.grv: "), std::string::npos) << bad.err;
    // A name the system allows though it is no UTF-8 text.
    fs::copy_file(folder + "/Funk.grv", folder + "/caf\xE9.grv");
    const Outcome latin1 = run(PATTAPLEX_GUI, {folder + "/caf\xE9.grv"}, probe);
    EXPECT_EQ(latin1.status, 0) << latin1.err;
    EXPECT_NE(latin1.out.find("ext1=grv"), std::string::npos) << latin1.out;
    EXPECT_EQ(latin1.err.find("caf"), std::string::npos) << latin1.err;
}

}  // namespace
