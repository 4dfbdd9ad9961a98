// Saves replace a file as a whole or not at all: failures name the file and the reason,
// leave the previous file as it was and leave no temporary file behind.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "groove_files.h"
#include "midi_export.h"
#include "test_support.h"

namespace pattaplex {
namespace {

using test::ScratchFolder;

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

void expectMentions(const std::optional<std::string>& error, const std::string& path,
                    const std::string& reason) {
    ASSERT_TRUE(error);
    EXPECT_NE(error->find(path), std::string::npos) << *error;
    EXPECT_NE(error->find(reason), std::string::npos) << *error;
}

TEST(SaveFailure, AFolderInTheFilesPlaceIsReportedAndKept) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.path("Groove.grv"));
    const GrooveState s = test::patternedState(2, 4, 2);
    const std::string path = folder.path("Groove.grv");
    for (const auto& error : {saveGroove(path, s), saveDrumSet(path, s), exportMidi(path, s)})
        expectMentions(error, path, "Is a directory");
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"Groove.grv"});
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

}  // namespace
}  // namespace pattaplex
