#pragma once
// The feel block of a groove file: swing, humanise and each step's velocity, repeats and
// chance. It follows the last step entry, so a reader that takes the entries by position
// sees the groove it always did, and it is written only when the groove has feel.
//
//   mark (1178944844, "FEEL" in ASCII), length (entries after this one: 4 + 30 x N),
//   version (1), swing (50..75), humanise ms (0..20), humanise velocity (0..20),
//   then row after row, step after step: velocity (0..127), repeats (1..4),
//   chance (100, 75, 50 or 25).

#include <cstdint>
#include <span>
#include <vector>

#include "GrooveState.h"
#include "Result.h"

namespace pattaplex {

constexpr int32_t kFeelMark = 0x4645454C;
constexpr int32_t kFeelVersion = 1;
constexpr size_t kFeelHeader = 4;   // version, swing, humanise ms, humanise velocity
constexpr size_t kFeelPerStep = 3;  // velocity, repeats, chance

// The feel a groove file gives its groove: read from its block, or without one every
// step at its row's volume, plain and sure, straight and unhumanised.
struct FeelData {
    int32_t swing = kStraightSwing;
    int32_t humaniseMs = 0;
    int32_t humaniseVelocity = 0;
    std::array<std::vector<int32_t>, kRowCount> velocities, repeats, chances;  // N per row
};

// Whether the first `steps` steps of the groove hold anything a plain groove file loses:
// an active step whose velocity is not its row's volume, swing, humanise, a repeat or a
// chance.
bool hasFeel(const GrooveState& s, int steps);

// The block for the first `steps` steps, values brought into their ranges.
std::vector<int32_t> feelBlock(const GrooveState& s, int steps);

// The feel of a file whose step entries end before `rest`: its block when `rest` begins
// with the mark, else the plain feel from the row volumes. A block that is not exactly
// as laid out above, or holds a value out of its range, is refused with the reason.
Result<FeelData> feelOf(std::span<const int32_t> rest, int steps,
                        const std::array<int32_t, kRowCount>& volumes);

// Puts the feel into the groove's first `steps` steps; the steps beyond are plain and sure.
void applyFeel(GrooveState& s, const FeelData& f, int steps);

}  // namespace pattaplex
