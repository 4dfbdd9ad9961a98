// The randomiser's modes, its seeding from the clock and the bounds of what it draws.
#include "randomizer.h"

#include <gtest/gtest.h>

#include <set>

#include "groove_fixtures.h"

namespace pattaplex {
namespace {

using test::onSteps;

// A started program with row 1 selected, step n of row n on and every velocity 5 (a drawn
// one, 60 or more, stands out). The grid was last drawn 5 steps wide: positions are drawn
// below that, not below the groove's 16 steps.
GrooveState sparseGroove() {
    GrooveState s = test::startedGroove();
    s.LNG = 5;
    for (int n = 1; n <= kRowCount; ++n) {
        s.row(n).BUF[n] = s.row(n).DR;
        s.row(n).VOL.fill(5);
    }
    return s;
}

GrooveState run(GrooveState s, int mode, int64_t seconds) {
    s.randTOG = mode;
    randomize(s, test::fixedClock(seconds));
    s.randTOG = 0;
    return s;
}

bool drawnVelocity(int n, int32_t v) {
    return v >= 60 && v <= (n == 1 ? 127 : 126);
}

TEST(Randomizer, SameSecondsModuloHundredGiveTheSameGroove) {
    const GrooveState start = sparseGroove();
    EXPECT_EQ(run(start, 0, 5), start);  // mode 0 does nothing
    for (int mode = 1; mode <= 5; ++mode) {
        const GrooveState a = run(start, mode, 1234);
        EXPECT_EQ(run(start, mode, 1334), a) << mode;
        EXPECT_EQ(run(start, mode, 34), a) << mode;
        EXPECT_NE(run(start, mode, 1235), a) << mode;
    }
}

// Every mode makes the same position and velocity draws for the same seed, so each
// mode's runs show its share of them: 1 velocities, 2 notes, 3 steps, 4 steps and
// velocities, 5 everything.
TEST(Randomizer, EachModeChangesOnlyItsShareOfTheDraws) {
    bool rowOneTop = false, offStepWritten = false;
    std::set<int> notesChanged, notesDrawn;
    GrooveState start = sparseGroove();
    start.DEMO = 4;
    start.row(3).DV = 0;  // muted rows get steps too
    for (int seconds = 0; seconds < 100; ++seconds) {
        SCOPED_TRACE(seconds);
        std::array<GrooveState, 6> m;
        for (int mode = 1; mode <= 5; ++mode) m[mode] = run(start, mode, seconds);
        for (int n = 1; n <= kRowCount; ++n) {
            const DrumRow& old = start.row(n);
            DrumRow &velocities = m[1].row(n), &notes = m[2].row(n), &steps = m[3].row(n);
            ASSERT_TRUE(notes.DR >= 35 && notes.DR <= 82) << notes.DR;
            if (notes.DR != old.DR) notesChanged.insert(n);
            notesDrawn.insert(notes.DR);
            const size_t on = onSteps(steps).size();
            EXPECT_TRUE(on >= 1 && on <= 4) << on;  // SUB x BARS draws
            for (int mode = 3; mode <= 5; ++mode) {
                const DrumRow& row = m[mode].row(n);
                EXPECT_EQ(m[mode].undoTOG, 1);
                EXPECT_EQ(std::tie(row.undo, row.oldD, row.BUF),
                          std::tie(old.BUF, old.DR, steps.BUF));
                EXPECT_EQ(row.DR, mode == 5 ? notes.DR : old.DR);
                EXPECT_EQ(row.oldV, mode == 3 ? old.oldV : velocities.oldV);  // the last drawn
            }
            for (int i = 0; i < kBufferSize; ++i) {
                const int32_t v = velocities.VOL[i], step = steps.BUF[i];
                // A step takes the row's note from before mode 5 draws a new one.
                ASSERT_TRUE(step == 0 || (i < start.LNG && step == old.DR)) << i;
                ASSERT_EQ(v != 5, step != 0) << i;
                ASSERT_TRUE(v == 5 || drawnVelocity(n, v)) << "row " << n << ": " << v;
                rowOneTop |= n == 1 && v == 127;
                offStepWritten |= v != 5 && old.BUF[i] == 0;
                // After the clear, the selected row's velocities are refilled before the draws.
                const int32_t kept = n == start.DEMO && i < kWorkedSteps ? old.DV : 5;
                ASSERT_EQ(steps.VOL[i], kept);
                for (int mode : {4, 5}) ASSERT_EQ(m[mode].row(n).VOL[i], step ? v : kept);
            }
            velocities.VOL = old.VOL;
            velocities.oldV = old.oldV;
            notes.DR = old.DR;
        }
        ASSERT_EQ(m[1], start);
        ASSERT_EQ(m[2], start);
    }
    EXPECT_TRUE(rowOneTop && offStepWritten);
    EXPECT_EQ(notesChanged.size(), 10u);  // row 5 included
    EXPECT_EQ(std::tie(*notesDrawn.begin(), *notesDrawn.rbegin()), std::make_tuple(35, 82));
}

TEST(Randomizer, NoGridDrawnSkipsTheFillButStillClearsAndRefills) {
    GrooveState start = sparseGroove();
    start.LNG = 0;
    start.row(1).DV = 44;
    EXPECT_EQ(run(start, 1, 9), start);
    for (int mode = 3; mode <= 5; ++mode) {
        const GrooveState s = run(start, mode, 9);
        GrooveState expected = start;
        for (int n = 1; n <= kRowCount; ++n) {
            DrumRow& row = expected.row(n);
            row.undo = row.BUF;
            row.BUF.fill(0);
            if (mode == 5) row.DR = s.row(n).DR;  // the notes are still drawn
        }
        std::fill_n(expected.row(1).VOL.begin(), kWorkedSteps, 44);
        expected.undoTOG = 1;
        EXPECT_EQ(s, expected) << mode;
    }
}

}  // namespace
}  // namespace pattaplex
