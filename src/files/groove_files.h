#pragma once
// Groove (.grv) and drum-set (.set) files: property-list arrays of integers.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "GrooveState.h"
#include "Result.h"
#include "feel_block.h"

namespace pattaplex {

constexpr int32_t kGrooveMark = 666;

// A groove file's contents, checked: SUB, BEATS, BARS at least 1, N at most 80, TEMPO
// brought into 40..240.
struct GrooveData {
    int32_t SUB = 0, BEATS = 0, BARS = 0, TEMPO = 0, KIT = 0;
    std::array<int32_t, kRowCount> notes{};
    std::array<int32_t, kRowCount> volumes{};
    std::array<std::vector<int32_t>, kRowCount> steps;  // N entries per row
    FeelData feel;  // from the feel block after the steps, or plain
};

struct DrumSetData {
    std::array<int32_t, kRowCount> notes{};
    int32_t KIT = 0;
};

// Steps per row a groove file holds for a grid of SUB x BEATS x BARS, or nothing when a
// factor is below 1 or a row would need more than the buffers' 80 steps.
std::optional<int> fileStepCount(int32_t SUB, int32_t BEATS, int32_t BARS);

// The arrays as saved: 26 + 10 x N entries starting with 666 (no steps when the grid
// cannot be held), followed by the feel block when the groove has feel; and 11 entries.
std::vector<int32_t> grooveArray(const GrooveState& s);
std::vector<int32_t> drumSetArray(const GrooveState& s);

// Write atomically (beside, then renamed). On failure the error text names the file and
// the reason, and any previous file is left untouched. A groove whose grid a file cannot
// hold is not written.
Status saveGroove(const std::string& path, const GrooveState& s);
Status saveDrumSet(const std::string& path, const GrooveState& s);

// Read and check a file (XML or binary property list, at most 1 MiB). A refusal gives the
// reason, e.g. "entry 0 is not 666". A groove needs entry 0 = 666, SUB, BEATS and BARS of
// at least 1, at most 80 steps per row, 26 + 10 x N entries and, when a feel block
// follows, a sound one; a drum set exactly 11 entries. Every entry must fit 32 bits.
Result<GrooveData> readGroove(const std::string& path);
Result<DrumSetData> readDrumSet(const std::string& path);

// The same checks on a file's contents already in memory.
Result<GrooveData> grooveFromBytes(std::string_view bytes);
Result<DrumSetData> drumSetFromBytes(std::string_view bytes);

// Put what was read into the groove: grid, tempo, kit, notes, volumes, the first N steps
// of every row with their feel, swing and humanise. Entries N..79 of every step buffer
// are cleared and their feel made plain, so nothing of an earlier groove lingers past the
// end of this one, and their velocities become the row's volume. Everything else is
// untouched.
void applyGroove(GrooveState& s, const GrooveData& g);
void applyDrumSet(GrooveState& s, const DrumSetData& d);

}  // namespace pattaplex
