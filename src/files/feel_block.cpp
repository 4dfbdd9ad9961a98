#include "feel_block.h"

#include <algorithm>
#include <string>

namespace pattaplex {

namespace {

int32_t velocityOf(int32_t v) {
    return std::clamp(v, 0, 127);
}

Failure damaged(const std::string& why) {
    return failure("its feel block " + why);
}

bool within(int32_t v, int32_t low, int32_t high) {
    return v >= low && v <= high;
}

}  // namespace

bool hasFeel(const GrooveState& s, int steps) {
    if (s.SWING != kStraightSwing || s.HUMMS != 0 || s.HUMVEL != 0) return true;
    for (const DrumRow& row : s.rows)
        for (size_t i = 0; i < static_cast<size_t>(steps); ++i)
            if ((row.BUF[i] != 0 && row.VOL[i] != row.DV) || row.REP[i] != 1 ||
                row.CHANCE[i] != kSurely)
                return true;
    return false;
}

std::vector<int32_t> feelBlock(const GrooveState& s, int steps) {
    const auto n = static_cast<size_t>(std::clamp(steps, 0, kBufferSize));
    std::vector<int32_t> b{kFeelMark,
                           static_cast<int32_t>(kFeelHeader + kRowCount * kFeelPerStep * n),
                           kFeelVersion,
                           std::clamp(s.SWING, kStraightSwing, kMostSwing),
                           std::clamp(s.HUMMS, 0, kMostHumaniseMs),
                           std::clamp(s.HUMVEL, 0, kMostHumaniseVelocity)};
    for (const DrumRow& row : s.rows)
        for (size_t i = 0; i < n; ++i) {
            b.push_back(velocityOf(row.VOL[i]));
            b.push_back(std::clamp(row.REP[i], 1, kMostRepeats));
            b.push_back(isChance(row.CHANCE[i]) ? row.CHANCE[i] : kSurely);
        }
    return b;
}

Result<FeelData> feelOf(std::span<const int32_t> rest, int steps,
                        const std::array<int32_t, kRowCount>& volumes) {
    const auto n = static_cast<size_t>(std::clamp(steps, 0, kBufferSize));
    FeelData f;
    if (rest.empty() || rest[0] != kFeelMark) {
        // No block (anything else after the steps is ignored, as it always was).
        for (size_t r = 0; r < kRowCount; ++r) {
            f.velocities[r].assign(n, velocityOf(volumes[r]));
            f.repeats[r].assign(n, 1);
            f.chances[r].assign(n, kSurely);
        }
        return f;
    }
    const size_t length = kFeelHeader + kRowCount * kFeelPerStep * n;
    if (rest.size() < 2 || rest[1] != static_cast<int32_t>(length))
        return damaged("must give its length as " + std::to_string(length));
    if (rest.size() != 2 + length)
        return damaged("holds " + std::to_string(rest.size() - 2) + " entries, not " +
                       std::to_string(length));
    const std::span<const int32_t> b = rest.subspan(2);
    if (b[0] != kFeelVersion) return damaged("has version " + std::to_string(b[0]) + ", not 1");
    f.swing = b[1], f.humaniseMs = b[2], f.humaniseVelocity = b[3];
    if (!within(f.swing, kStraightSwing, kMostSwing)) return damaged("has a swing outside 50..75");
    if (!within(f.humaniseMs, 0, kMostHumaniseMs) ||
        !within(f.humaniseVelocity, 0, kMostHumaniseVelocity))
        return damaged("has a humanise outside 0..20");
    for (size_t r = 0; r < kRowCount; ++r) {
        for (size_t i = 0; i < n; ++i) {
            const size_t at = kFeelHeader + (r * n + i) * kFeelPerStep;
            const int32_t velocity = b[at], repeats = b[at + 1], chance = b[at + 2];
            const std::string step =
                "row " + std::to_string(r + 1) + ", step " + std::to_string(i + 1);
            if (!within(velocity, 0, 127))
                return damaged("has a velocity outside 0..127 at " + step);
            if (!within(repeats, 1, kMostRepeats))
                return damaged("has repeats outside 1..4 at " + step);
            if (!isChance(chance))
                return damaged("has a chance other than 100, 75, 50 or 25 at " + step);
            f.velocities[r].push_back(velocity);
            f.repeats[r].push_back(repeats);
            f.chances[r].push_back(chance);
        }
    }
    return f;
}

void applyFeel(GrooveState& s, const FeelData& f, int steps) {
    const auto n = static_cast<size_t>(std::clamp(steps, 0, kBufferSize));
    s.SWING = f.swing;
    s.HUMMS = f.humaniseMs;
    s.HUMVEL = f.humaniseVelocity;
    for (size_t r = 0; r < kRowCount; ++r) {
        DrumRow& row = s.rows[r];
        row.REP.fill(1);
        row.CHANCE.fill(kSurely);
        for (size_t i = 0; i < n && i < f.velocities[r].size(); ++i) {
            row.VOL[i] = f.velocities[r][i];
            row.REP[i] = f.repeats[r][i];
            row.CHANCE[i] = f.chances[r][i];
        }
    }
}

}  // namespace pattaplex
