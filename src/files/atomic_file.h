#pragma once
// Replacing a file as a whole: the new contents go to a temporary file beside it, are
// synced to disk and renamed over the old one, so a failure never harms the old file.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pattaplex {

// Fills the temporary file, open as `fd` and named `tempPath` (for libraries that
// write by name). Returns an error text, or nothing when the contents are complete.
using TempFileWriter =
    std::function<std::optional<std::string>(int fd, const std::string& tempPath)>;

// Each returns nothing on success, else a text naming the file and the reason. On
// failure the temporary file is removed and any previous file at `path` is untouched.
std::optional<std::string> replaceFile(const std::string& path, std::string_view contents);
std::optional<std::string> replaceFileWith(const std::string& path, const TempFileWriter& fill);

// The error text for `path` and an errno value, as the functions above word it.
std::string saveError(const std::string& path, int error);

}  // namespace pattaplex
