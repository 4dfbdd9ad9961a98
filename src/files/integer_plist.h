#pragma once
// Property lists whose root is an array of signed 32-bit integers: the form of the
// groove and drum-set files.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Result.h"

namespace pattaplex {

// Larger files are refused before they are parsed.
constexpr size_t kMaxPlistFileBytes = 1024 * 1024;
// A groove has at most 26 + 10 x 80 = 826 entries and a feel block of 6 + 30 x 80, a drum
// set 11; longer arrays are refused, since the parser takes time growing with the square
// of their length.
constexpr size_t kMaxPlistEntries = 26 + 10 * 80 + 6 + 30 * 80;

// The array as an XML property list in the published form: XML declaration, DOCTYPE,
// plist version 1.0, one array of integer elements.
std::string integerArrayXml(const std::vector<int32_t>& values);

// Reads an XML or binary property list whose root is an array of at most
// kMaxPlistEntries integers that all fit 32 bits. The bytes are checked for that shape
// before the property-list parser sees them, so nesting, shared references and huge
// numbers are refused without being expanded.
Result<std::vector<int32_t>> parseIntegerArray(std::string_view bytes);

// The contents of a regular file of at most kMaxPlistFileBytes.
Result<std::string> readSmallFile(const std::string& path);

}  // namespace pattaplex
