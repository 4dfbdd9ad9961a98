#pragma once
// Property lists whose root is an array of signed 32-bit integers: the form of the
// groove and drum-set files.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pattaplex {

// Larger files are refused before they are parsed.
constexpr size_t kMaxPlistFileBytes = 1024 * 1024;

// The array as an XML property list in the published form: XML declaration, DOCTYPE,
// plist version 1.0, one array of integer elements.
std::string integerArrayXml(const std::vector<int32_t>& values);

// Reads an XML or binary property list whose root is an array of integers that all fit
// 32 bits. Nothing when it is not; `why`, when given, receives the reason.
std::optional<std::vector<int32_t>> parseIntegerArray(std::string_view bytes,
                                                      std::string* why = nullptr);

// The contents of a regular file of at most kMaxPlistFileBytes, or nothing with the reason.
std::optional<std::string> readSmallFile(const std::string& path, std::string* why = nullptr);

}  // namespace pattaplex
