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

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string contents(const fs::path& file) {
    std::ostringstream text;
    text << std::ifstream(file).rdbuf();
    return text.str();
}

class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("pattaplex-cmdline-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Runs the program with the given environment settings (an "env" argument list).
    Outcome run(const char* program, const std::vector<std::string>& args,
                const std::string& environment = "") {
        std::string command = "env " + environment + " " + quoted(program);
        for (const std::string& a : args) command += " " + quoted(a);
        command += " >" + quoted(folder / "out") + " 2>" + quoted(folder / "err");
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, contents(folder / "out"),
                contents(folder / "err")};
    }
    fs::path folder;
};

struct Expect {
    std::vector<std::string> args;
    int status;
    const char* out;  // text stdout holds; for status 2 it stays empty and stderr holds it
};

void expectRuns(const Outcome& r, const Expect& e) {
    EXPECT_EQ(r.status, e.status) << r.err;
    const std::string& where = e.status == 0 ? r.out : r.err;
    EXPECT_NE(where.find(e.out), std::string::npos) << where;
    if (e.status != 0) {
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(CommandLine, CliAnswersHelpAndVersionAndRefusesBadCommandLinesWithStatus2) {
    const Expect cases[] = {
        {{}, 2, "usage: pattaplex-cli COMMAND"},
        {{"--help"}, 0, "render IN.grv OUT.wav"},
        {{"--version"}, 0, "pattaplex-cli " PATTAPLEX_VERSION "\n"},
        {{"help"}, 0, "preset NAME|TAG OUT.grv"},
        {{"help", "render"}, 0, "usage: pattaplex-cli render IN.grv OUT.wav"},
        {{"midi", "--help"}, 0, "usage: pattaplex-cli midi IN.grv OUT.mid"},
        {{"help", "nope"}, 2, "usage: pattaplex-cli COMMAND"},
        {{"bogus", "x"}, 2, "unknown command \"bogus\""},
        {{"info"}, 2, "usage: pattaplex-cli info FILE"},
        {{"preset", "Funk"}, 2, "usage: pattaplex-cli preset NAME|TAG OUT.grv"},
        {{"midi", "a.grv", "b.mid", "c"}, 2, "usage: pattaplex-cli midi"},
        {{"render", "a.grv"}, 2, "usage: pattaplex-cli render"},
        {{"info", (folder / "missing.grv").string()}, 1, "missing.grv"},
    };
    for (const Expect& e : cases) {
        SCOPED_TRACE(e.args.empty() ? "(none)" : e.args[0]);
        expectRuns(run(PATTAPLEX_CLI, e.args), e);
    }
}

TEST_F(CommandLine, WindowProgramAnswersHelpAndVersionWithoutADisplay) {
    // With no display to reach, the window toolkit would stop the program before it printed.
    const std::string noDisplay = "-u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb";
    const Expect cases[] = {
        {{"--help"}, 0, "[FILE]"},
        {{"-h"}, 0, "A groove (.grv) or drum set (.set) to open."},
        {{"--version"}, 0, "pattaplex " PATTAPLEX_VERSION "\n"},
        {{"--bogus", "--help"}, 2, "Unknown option 'bogus'"},
    };
    for (const Expect& e : cases) {
        SCOPED_TRACE(e.args[0]);
        expectRuns(run(PATTAPLEX_GUI, e.args, noDisplay), e);
    }
    expectRuns(run(PATTAPLEX_GUI, {"--bogus"}), {{}, 2, "Unknown option 'bogus'"});
    expectRuns(run(PATTAPLEX_GUI, {"a.grv", "b.grv"}), {{}, 2, "one file at most"});
}

TEST_F(CommandLine, WindowProgramOpensTheFileItIsGivenAndRefusesABadOne) {
    ASSERT_EQ(run(PATTAPLEX_CLI, {"preset", "Funk", (folder / "Funk.grv").string()}).status, 0);
    std::ofstream(folder / "Junk.grv") << "not a groove";
    // The picture probe lets the window come up, pictures it and ends the program.
    const std::string probe = "HOME=" + quoted(folder) +
                              " PATTAPLEX_SCREENSHOT=" + quoted(folder / "shot.png") +
                              " QT_QPA_PLATFORM=offscreen";

    const Outcome good = run(PATTAPLEX_GUI, {(folder / "Funk.grv").string()}, probe);
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_NE(good.out.find("ext1=grv"), std::string::npos) << good.out;
    EXPECT_EQ(good.err.find("Funk.grv"), std::string::npos) << good.err;

    const Outcome bad = run(PATTAPLEX_GUI, {(folder / "Junk.grv").string()}, probe);
    EXPECT_EQ(bad.status, 0) << bad.err;
    EXPECT_NE(bad.err.find("Junk.grv: "), std::string::npos) << bad.err;
}

}  // namespace
