// Saves replace a file as a whole or not at all: failures name the file and the reason,
// leave the previous file as it was and leave no temporary file behind.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "groove_files.h"
#include "midi_export.h"
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

}  // namespace
}  // namespace pattaplex
