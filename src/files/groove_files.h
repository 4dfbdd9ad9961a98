#pragma once
// Groove (.grv) and drum-set (.set) files: property-list arrays of integers.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "GrooveState.h"

namespace pattaplex {

constexpr int32_t kGrooveMark = 666;

// A groove file's contents, checked: SUB, BEATS, BARS at least 1, N at most 80.
struct GrooveData {
    int32_t SUB = 0, BEATS = 0, BARS = 0, TEMPO = 0, KIT = 0;
    std::array<int32_t, kRowCount> notes{};
    std::array<int32_t, kRowCount> volumes{};
    std::array<std::vector<int32_t>, kRowCount> steps;  // N entries per row
};

struct DrumSetData {
    std::array<int32_t, kRowCount> notes{};
    int32_t KIT = 0;
};

// The arrays as saved: 26 + 10 x N entries starting with 666, and 11 entries.
std::vector<int32_t> grooveArray(const GrooveState& s);
std::vector<int32_t> drumSetArray(const GrooveState& s);

// Write atomically (beside, then renamed). Return an error text naming the reason,
// or nothing on success; a failed write leaves any previous file untouched.
std::optional<std::string> saveGroove(const std::string& path, const GrooveState& s);
std::optional<std::string> saveDrumSet(const std::string& path, const GrooveState& s);

// Read and check a file (XML or binary property list). Nothing when it is refused;
// `why`, when given, receives the reason.
std::optional<GrooveData> readGroove(const std::string& path, std::string* why = nullptr);
std::optional<DrumSetData> readDrumSet(const std::string& path, std::string* why = nullptr);

// Put what was read into the groove: grid, tempo, kit, notes, volumes and the first N
// steps of every row (velocities and everything else untouched).
void applyGroove(GrooveState& s, const GrooveData& g);
void applyDrumSet(GrooveState& s, const DrumSetData& d);

}  // namespace pattaplex
