#pragma once
// Grooves with known contents for the model tests.

#include <vector>

#include "GrooveState.h"
#include "defaults.h"
#include "randomizer.h"

namespace pattaplex::test {

// A started program after its first drawing pass (16 steps shown).
inline GrooveState startedGroove() {
    GrooveState s;
    applyStartupValues(s);
    loadDefaultSounds(s);
    initVOL(s);
    setVOL(s);
    s.LNG = stepCount(s);
    return s;
}

// A started program whose rows all have their first 64 steps on (value 100 + n), per-step
// velocities 10 * n + i % 7, and distinct notes and volumes, kept as the previous ones.
// It swings and is humanised, and every row has a ratchet on step n and a chance on step
// n + 1.
inline GrooveState busyGroove() {
    GrooveState s = startedGroove();
    for (int n = 1; n <= kRowCount; ++n) {
        DrumRow& row = s.row(n);
        std::tie(row.DR, row.DV, row.oldD, row.oldV) =
            std::make_tuple(40 + n, 70 + n, 40 + n, 70 + n);
        for (int i = 0; i < kWorkedSteps; ++i) {
            row.BUF[i] = 100 + n;
            row.VOL[i] = 10 * n + i % 7;
        }
        row.REP[n] = 1 + n % 4;
        row.CHANCE[n + 1] = kChances[n % 4];
    }
    std::tie(s.SWING, s.HUMMS, s.HUMVEL) = std::make_tuple(60, 5, 3);
    return s;
}

inline SecondsClock fixedClock(int64_t seconds) {
    return [seconds] { return seconds; };
}

// The entries of a row's step buffer that are on.
inline std::vector<int> onSteps(const DrumRow& row) {
    std::vector<int> steps;
    for (int i = 0; i < kBufferSize; ++i)
        if (row.BUF[i] != 0) steps.push_back(i);
    return steps;
}

}  // namespace pattaplex::test
