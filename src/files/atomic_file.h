#pragma once
// Replacing a file as a whole: the new contents go to a temporary file beside it, are
// synced to disk and renamed over the old one, so a failure never harms the old file, and
// a program killed meanwhile leaves nothing behind (see temp_file.h).
//
// QSaveFile does most of this, but names its temporary file after the target plus seven
// characters, so a file whose name is near the system's 255-byte limit cannot be replaced;
// and as root it replaces a file the user made read-only. Hence our own.

#include <functional>
#include <string>
#include <string_view>

#include "Result.h"

namespace pattaplex {

// Fills the temporary file, open as `fd` and named `tempPath` (for libraries that write
// by name). Fails with an error text, or succeeds when the contents are complete.
using TempFileWriter = std::function<Status(int fd, const std::string& tempPath)>;

// On failure the text names the file and the system's reason, the temporary file is
// removed and any previous file at `path` is untouched. A file without write permission,
// or on a read-only file system, is not replaced. Saving through a symbolic link replaces the file
// it leads to; a replaced file keeps its permissions.
Status replaceFile(const std::string& path, std::string_view contents);
Status replaceFileWith(const std::string& path, const TempFileWriter& fill);

// The error text for `path` and a reason, or an errno value, as the functions above word it:
// Cannot save "PATH": REASON.
std::string saveError(const std::string& path, const std::string& reason);
std::string saveError(const std::string& path, int error);

}  // namespace pattaplex
