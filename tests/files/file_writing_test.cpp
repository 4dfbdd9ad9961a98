// Saves replace a file as a whole or not at all: failures name the file and the reason,
// leave the previous file as it was and leave no temporary file behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <regex>

#include "atomic_file.h"
#include "groove_files.h"
#include "midi_export.h"
#include "private_mount.h"
#include "test_support.h"

namespace pattaplex {
namespace {

// Files may grow to `bytes` while it lives: writes beyond fail as on a full disk.
struct FileSizeLimit {
    rlimit saved{};
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);  // a failed write, not a killed process
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit{bytes, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
};

void expectMentions(const Status& saved, const std::string& path, const std::string& reason) {
    ASSERT_FALSE(saved);
    EXPECT_NE(saved.error().find(path), std::string::npos) << saved.error();
    EXPECT_NE(saved.error().find(reason), std::string::npos) << saved.error();
}

TEST(SaveFailure, IsReportedAndLeavesWhatWasThereAsItWasAndNoTemporaryFile) {
    test::ScratchFolder folder;
    const std::string grv = folder.path("Groove.grv"), mid = folder.path("Groove.mid");
    const std::string taken = folder.path("Taken");
    std::filesystem::create_directory(taken);
    const GrooveState small = test::patternedState(2, 2, 1), large = test::patternedState(4, 4, 3);
    for (const auto& error :
         {saveGroove(taken, large), saveDrumSet(taken, large), exportMidi(taken, large)})
        expectMentions(error, taken, "Is a directory");

    ASSERT_TRUE(saveGroove(grv, small));
    ASSERT_TRUE(exportMidi(mid, small));
    const std::string oldGroove = test::readBytes(grv), oldMidi = test::readBytes(mid);
    {
        const FileSizeLimit limit(oldMidi.size() + 10);
        expectMentions(saveGroove(grv, large), grv, "File too large");
        const Status exported = exportMidi(mid, large);
        expectMentions(exported, mid, "File too large");
        EXPECT_EQ(exported.error().rfind("Cannot save SMF data. ", 0), 0u);
    }
    // A file the user made read-only is not replaced, even by the superuser.
    ASSERT_EQ(chmod(grv.c_str(), 0444), 0);
    expectMentions(saveGroove(grv, large), grv, "Permission denied");
    EXPECT_EQ(test::readBytes(grv), oldGroove);
    EXPECT_EQ(test::readBytes(mid), oldMidi);

    // A grid no file can hold is not written at all.
    for (auto [sub, beats, bars] : {std::array{2, 4, 0}, std::array{-2, 4, 2}, std::array{9, 9, 1}})
        EXPECT_FALSE(saveGroove(folder.path("Odd.grv"), test::patternedState(sub, beats, bars)));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"Groove.grv", "Groove.mid", "Taken"}));
}

TEST(Save, ANameAsLongAsTheSystemAllowsIsWrittenAndReplaced) {
    test::ScratchFolder folder;
    const std::string name = std::string(251, 'g') + ".grv";
    for (int32_t bars : {1, 2})
        ASSERT_TRUE(saveGroove(folder.path(name), test::patternedState(2, 4, bars)));
    EXPECT_EQ(readGroove(folder.path(name))->BARS, 2);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{name});
    // A new file is readable by others as the umask allows, like any new file.
    const mode_t mask = umask(027);
    ASSERT_TRUE(saveGroove(folder.path("new.grv"), test::patternedState(2, 4, 1)));
    umask(mask);
    struct stat info {};
    EXPECT_TRUE(stat(folder.path("new.grv").c_str(), &info) == 0 && (info.st_mode & 0777) == 0640);
}

TEST(Save, ThroughALinkReplacesTheLinkedFileKeepingItsPermissions) {
    test::ScratchFolder folder;
    const std::string real = folder.path("real.grv"), link = folder.path("link.grv");
    test::writeBytes(real, "old contents");
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(saveGroove(link, test::patternedState(2, 4, 2)));
    struct stat info {};
    EXPECT_TRUE(readGroove(real) && std::filesystem::is_symlink(link));
    EXPECT_TRUE(stat(real.c_str(), &info) == 0 && (info.st_mode & 0777) == 0640);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"link.grv", "real.grv"}));
}

// Replaces `path` in a child process killed half-way: its writer writes both by
// descriptor and by name, as the libraries do, then dies. How it ended.
std::string killedWrite(const std::string& path) {
    const pid_t child = fork();
    if (child == 0) {
        const Status never = replaceFileWith(path, [](int fd, const std::string& name) -> Status {
            const bool wrote = write(fd, "<?xml", 5) == 5;
            const int byName = open(name.c_str(), O_WRONLY | O_APPEND);
            if (wrote && byName >= 0 && write(byName, " version", 8) == 8) raise(SIGKILL);
            _exit(1);
        });
        _exit(2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? "killed"
                                                              : "status " + std::to_string(status);
}

TEST(Save, KilledHalfWayLeavesTheOldFileAndNothingElse) {
    test::ScratchFolder folder;
    const std::string path = folder.path("Groove.grv");
    ASSERT_TRUE(saveGroove(path, test::patternedState(2, 4, 1)));
    const std::string old = test::readBytes(path);
    EXPECT_EQ(killedWrite(path), "killed");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"Groove.grv"});
    EXPECT_EQ(test::readBytes(path), old);

    // Where files cannot be unnamed (here: without /proc to name them by), the killed
    // write's file is left, and the next write in the folder sweeps it away.
    const std::string mount = folder.path("small");
    std::filesystem::create_directory(mount);
    const std::optional<std::string> said = test::withSmallFileSystem(mount, 64, [&] {
        if (::mount("tmpfs", "/proc", "tmpfs", 0, "size=4k") != 0) return std::string("no /proc");
        const std::string grv = mount + "/Groove.grv";
        const bool saved = saveGroove(grv, test::patternedState(2, 4, 1)).ok();
        std::string out = killedWrite(grv);
        out += ": " + test::namesIn(mount) + "\n";
        const bool savedAgain = saveGroove(grv, test::patternedState(2, 4, 2)).ok();
        return out + (saved && savedAgain ? "saved: " : "failed: ") + test::namesIn(mount);
    });
    if (!said) GTEST_SKIP() << "this system lets the test mount no file system of its own";
    EXPECT_TRUE(std::regex_match(
        *said, std::regex("killed: \\.pattaplex-\\w{6} Groove\\.grv\nsaved: Groove\\.grv")))
        << *said;
}

TEST(Save, SweepsAwayTheTemporaryFilesOfKilledWritesInItsFolderAndNothingElse) {
    test::ScratchFolder folder;
    const auto plant = [&](const std::string& name, mode_t mode) {
        test::writeBytes(folder.path(name), "half a file");
        chmod(folder.path(name).c_str(), mode);
    };
    plant(".pattaplex-Ab12Cd", 0600);  // its writer is gone
    plant(".pattaplex-0ld5et", 0);     // abandoned while being set up, long ago
    const timespec longAgo[2] = {{0, UTIME_OMIT}, {time(nullptr) - 3600, 0}};
    utimensat(AT_FDCWD, folder.path(".pattaplex-0ld5et").c_str(), longAgo, 0);
    plant(".pattaplex-N3wSet", 0);     // being set up just now
    plant(".pattaplex-L1ving", 0644);  // its writer lives and holds it locked
    const int held = open(folder.path(".pattaplex-L1ving").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    plant(".pattaplex-notes", 0600);  // not a name of the program's own making
    plant("pattaplex-Ab12Cd", 0600);
    std::filesystem::create_symlink(folder.path("pattaplex-Ab12Cd"),
                                    folder.path(".pattaplex-L1nked"));

    ASSERT_TRUE(saveGroove(folder.path("Groove.grv"), test::patternedState(2, 4, 1)));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{".pattaplex-L1nked", ".pattaplex-L1ving",
                                                          ".pattaplex-N3wSet", ".pattaplex-notes",
                                                          "Groove.grv", "pattaplex-Ab12Cd"}));
    close(held);
}

TEST(SaveFailure, OnAFullOrReadOnlyFileSystemGivesTheSystemsOwnReason) {
    test::ScratchFolder folder;
    const std::string mount = folder.path("small");
    std::filesystem::create_directory(mount);
    const std::optional<std::string> said = test::withSmallFileSystem(mount, 64, [&] {
        const std::string grv = mount + "/Groove.grv", mid = mount + "/Groove.mid";
        std::string out;
        const auto note = [&](const Status& s) { out += (s ? "saved" : s.error()) + "\n"; };
        note(saveGroove(grv, test::patternedState(2, 4, 1)));
        test::writeBytes(mount + "/filler", std::string(64 * 1024, 'x'));  // fills it up
        note(exportMidi(mid, test::patternedState(4, 4, 3)));
        out += test::namesIn(mount) + "\n";
        std::filesystem::remove(mount + "/filler");
        if (!test::makeReadOnly(mount)) return out + "cannot make it read-only";
        note(saveGroove(grv, test::patternedState(2, 4, 1)));
        note(saveDrumSet(mount + "/Kit.set", test::patternedState(2, 4, 1)));
        return out;
    });
    if (!said) GTEST_SKIP() << "this system lets the test mount no file system of its own";
    const std::string small = mount + "/";
    EXPECT_EQ(*said,
              "saved\n"
              "Cannot save SMF data. Cannot save \"" +
                  small +
                  "Groove.mid\": No space left on device.\n"
                  "Groove.grv filler\n"
                  "Cannot save \"" +
                  small +
                  "Groove.grv\": Read-only file system.\n"
                  "Cannot save \"" +
                  small + "Kit.set\": Read-only file system.\n");
}

}  // namespace
}  // namespace pattaplex
