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

using test::ScratchFolder;

// Files may grow to `bytes` while it lives: writes beyond fail as on a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

  private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

void expectMentions(const std::optional<std::string>& error, const std::string& path,
                    const std::string& reason) {
    ASSERT_TRUE(error);
    EXPECT_NE(error->find(path), std::string::npos) << *error;
    EXPECT_NE(error->find(reason), std::string::npos) << *error;
}

TEST(SaveFailure, AnUnusablePathIsReportedWithItsReasonAndNothingChanges) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.path("Groove.grv"));
    test::writeBytes(folder.path("plain"), "x");
    const GrooveState s = test::patternedState(2, 4, 2);
    for (const auto& [path, reason] :
         {std::pair{folder.path("Groove.grv"), "Is a directory"},
          std::pair{folder.path("plain") + "/Groove.grv", "Not a directory"}}) {
        expectMentions(saveGroove(path, s), path, reason);
        expectMentions(saveDrumSet(path, s), path, reason);
        expectMentions(exportMidi(path, s), path, reason);
    }
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"Groove.grv", "plain"}));
    EXPECT_EQ(test::readBytes(folder.path("plain")), "x");
}

TEST(SaveFailure, AWriteCutShortLeavesThePreviousFileIntact) {
    ScratchFolder folder;
    const GrooveState small = test::patternedState(2, 2, 1);
    const GrooveState large = test::patternedState(4, 4, 3);
    ASSERT_EQ(saveGroove(folder.path("Groove.grv"), small), std::nullopt);
    ASSERT_EQ(exportMidi(folder.path("Groove.mid"), small), std::nullopt);
    const std::string oldGroove = test::readBytes(folder.path("Groove.grv"));
    const std::string oldMidi = test::readBytes(folder.path("Groove.mid"));
    {
        const FileSizeLimit limit(oldMidi.size() + 10);
        expectMentions(saveGroove(folder.path("Groove.grv"), large), folder.path("Groove.grv"),
                       "File too large");
        EXPECT_EQ(exportMidi(folder.path("Groove.mid"), large), "Cannot save SMF data.");
    }
    EXPECT_EQ(test::readBytes(folder.path("Groove.grv")), oldGroove);
    EXPECT_EQ(test::readBytes(folder.path("Groove.mid")), oldMidi);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"Groove.grv", "Groove.mid"}));
}

TEST(SaveFailure, AGridNoFileCanHoldIsNotWritten) {
    ScratchFolder folder;
    for (auto [sub, beats, bars] : {std::array{2, 4, 0}, std::array{-2, 4, 2}, std::array{9, 9, 1}})
        EXPECT_TRUE(saveGroove(folder.path("Groove.grv"), test::patternedState(sub, beats, bars)));
    EXPECT_TRUE(folder.entries().empty());
}

TEST(Save, ReplacesTheFileALinkPointsToKeepingItsPermissions) {
    ScratchFolder folder;
    test::writeBytes(folder.path("real.grv"), "old contents");
    ASSERT_EQ(chmod(folder.path("real.grv").c_str(), 0640), 0);
    std::filesystem::create_symlink(folder.path("real.grv"), folder.path("link.grv"));
    ASSERT_EQ(saveGroove(folder.path("link.grv"), test::patternedState(2, 4, 2)), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path("link.grv")));
    EXPECT_TRUE(readGroove(folder.path("real.grv")));
    struct stat info {};
    ASSERT_EQ(stat(folder.path("real.grv").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"link.grv", "real.grv"}));
}

}  // namespace
}  // namespace pattaplex
