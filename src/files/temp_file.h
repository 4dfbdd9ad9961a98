#pragma once
// The temporary file a save fills before it takes the target's place.
//
// Where the file system allows, it has no name until it is complete, so a program killed
// while writing leaves nothing behind. Elsewhere it is a hidden file of this program's
// own naming, locked while its writer lives; the next write in that folder sweeps away
// those whose writers are gone.

#include <sys/types.h>

#include <string>

namespace pattaplex {

class TempFile {
  public:
    TempFile() = default;
    ~TempFile();  // a file not put in place is discarded
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // A new, empty file in `folder`, to end with permissions `mode`. 0, or the errno value.
    int create(const std::string& folder, mode_t mode);

    int fd() const { return fd_; }
    // A name the file can be opened by while it is being filled.
    const std::string& path() const { return path_; }

    // Syncs it to disk and renames it over `target`. 0, or the errno value; on failure
    // the file is discarded and `target` is untouched.
    int replace(const std::string& target);

  private:
    int nameBeside(const std::string& folder);
    void discard();
    int discardFor(int error);  // discards, giving back `error`

    int fd_ = -1;
    mode_t mode_ = 0;
    std::string folder_;
    std::string path_;  // the /proc name of an unnamed file, else its own name
    std::string name_;  // its name in the folder, once it has one
};

// Removes this program's temporary files in `folder` whose writers have gone. Nothing
// else is touched, and a failure changes nothing.
void sweepStaleTempFiles(const std::string& folder);

}  // namespace pattaplex
