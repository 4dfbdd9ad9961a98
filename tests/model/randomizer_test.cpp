// The randomiser's modes, its seeding from the clock and the bounds of what it draws.
#include "randomizer.h"

#include <gtest/gtest.h>

#include <set>

#include "defaults.h"
#include "groove_fixtures.h"

namespace pattaplex {
namespace {

using test::fixedClock;
using test::onSteps;

// A started program (16-step grid, row 1 selected) with step n of row n on and every
// velocity 5, so that any random velocity (60 or more) stands out.
GrooveState sparseGroove() {
    GrooveState s = freshStartState();
    for (int n = 1; n <= kRowCount; ++n) {
        s.row(n).BUF[n] = s.row(n).DR;
        s.row(n).VOL.fill(5);
    }
    return s;
}

GrooveState run(GrooveState s, int mode, int64_t seconds) {
    s.randTOG = mode;
    randomize(s, fixedClock(seconds));
    return s;
}

int maxVelocity(int n) {
    return n == 1 ? 127 : 126;
}

TEST(Randomizer, SeededBySecondsModuloHundred) {
    const GrooveState start = sparseGroove();
    for (int mode = 1; mode <= 5; ++mode) {
        SCOPED_TRACE(mode);
        const GrooveState a = run(start, mode, 1234);
        EXPECT_EQ(a.randTOG, mode);
        EXPECT_EQ(run(start, mode, 1234), a);
        EXPECT_EQ(run(start, mode, 1334), a);
        EXPECT_EQ(run(start, mode, 34), a);
    }
    EXPECT_NE(run(start, 4, 1235), run(start, 4, 1234));
}

TEST(Randomizer, ModeZeroChangesNothing) {
    const GrooveState start = sparseGroove();
    EXPECT_EQ(run(start, 0, 5), start);
}

TEST(Randomizer, ModeOneWritesVelocitiesOnlyBelowTheGridLength) {
    bool rowOneTop = false, offStepWritten = false;
    for (int seconds = 0; seconds < 100; ++seconds) {
        const GrooveState start = sparseGroove();
        const GrooveState s = run(start, 1, seconds);
        GrooveState stepsAndNotes = start;  // everything but velocities must stay
        stepsAndNotes.randTOG = 1;
        for (int n = 1; n <= kRowCount; ++n) {
            stepsAndNotes.row(n).VOL = s.row(n).VOL;
            stepsAndNotes.row(n).oldV = s.row(n).oldV;
            int written = 0;
            for (int i = 0; i < kBufferSize; ++i) {
                const int32_t v = s.row(n).VOL[i];
                if (v == 5) continue;
                ++written;
                ASSERT_LT(i, start.LNG);
                ASSERT_GE(v, 60);
                ASSERT_LE(v, maxVelocity(n));
                rowOneTop |= n == 1 && v == 127;
                offStepWritten |= s.row(n).BUF[i] == 0;
            }
            EXPECT_GE(written, 1);
            EXPECT_GE(s.row(n).oldV, 60);
        }
        ASSERT_EQ(s, stepsAndNotes);
    }
    EXPECT_TRUE(rowOneTop);
    EXPECT_TRUE(offStepWritten);
}

TEST(Randomizer, ModeTwoGivesEveryRowANewNoteAndNothingElse) {
    std::set<int> rowsChanged;
    for (int seconds = 0; seconds < 100; ++seconds) {
        const GrooveState start = sparseGroove();
        GrooveState s = run(start, 2, seconds);
        for (int n = 1; n <= kRowCount; ++n) {
            ASSERT_GE(s.row(n).DR, 35);
            ASSERT_LE(s.row(n).DR, 82);
            if (s.row(n).DR != start.row(n).DR) rowsChanged.insert(n);
            s.row(n).DR = start.row(n).DR;
        }
        s.randTOG = start.randTOG;
        ASSERT_EQ(s, start);
    }
    EXPECT_EQ(rowsChanged.size(), static_cast<size_t>(kRowCount));  // row 5 included
}

TEST(Randomizer, RefillingModesClearIntoUndoAndSwitchOnRowNotes) {
    for (int mode = 3; mode <= 5; ++mode) {
        for (int seconds = 0; seconds < 100; seconds += 7) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " seconds " << seconds);
            GrooveState start = sparseGroove();
            start.DEMO = 4;
            start.row(3).DV = 0;  // muted rows get steps too
            const GrooveState s = run(start, mode, seconds);
            EXPECT_EQ(s.undoTOG, 1);
            for (int n = 1; n <= kRowCount; ++n) {
                const DrumRow& row = s.row(n);
                const DrumRow& old = start.row(n);
                for (int i = 0; i < kWorkedSteps; ++i) ASSERT_EQ(row.undo[i], old.BUF[i]);
                EXPECT_EQ(row.oldD, old.DR);
                const std::vector<int> on = onSteps(row);
                ASSERT_GE(on.size(), 1u);
                ASSERT_LE(on.size(), 4u);  // SUB x BARS draws
                for (int p : on) {
                    ASSERT_LT(p, start.LNG);
                    ASSERT_EQ(row.BUF[p], old.DR);  // the note before mode 5 changes it
                }
                for (int i = 0; i < kBufferSize; ++i) {
                    const bool drawn = row.BUF[i] != 0 && mode > 3;
                    const int32_t untouched = n == s.DEMO && i < kWorkedSteps ? row.DV : 5;
                    if (drawn) {
                        ASSERT_GE(row.VOL[i], 60);
                        ASSERT_LE(row.VOL[i], maxVelocity(n));
                    } else {
                        ASSERT_EQ(row.VOL[i], untouched) << "row " << n << " step " << i;
                    }
                }
                if (mode == 3) {
                    EXPECT_EQ(row.oldV, old.oldV);
                } else {  // the last velocity drawn for the row
                    bool stored = false;
                    for (int p : on) stored |= row.VOL[p] == row.oldV;
                    EXPECT_TRUE(stored);
                }
                if (mode != 5) {
                    EXPECT_EQ(row.DR, old.DR);
                }
            }
        }
    }
}

TEST(Randomizer, DrawsDoNotDependOnTheMode) {
    const GrooveState start = sparseGroove();
    for (int seconds : {3, 58}) {
        const GrooveState velocities = run(start, 1, seconds);
        const GrooveState steps = run(start, 4, seconds);
        const GrooveState everything = run(start, 5, seconds);
        const GrooveState drums = run(start, 2, seconds);
        for (int n = 2; n <= kRowCount; ++n) {  // row 1 is also refilled by setVOL in mode 4
            for (int i = 0; i < kBufferSize; ++i) {
                const bool written = velocities.row(n).VOL[i] != 5;
                ASSERT_EQ(written, steps.row(n).BUF[i] != 0);
                if (written) {
                    ASSERT_EQ(velocities.row(n).VOL[i], steps.row(n).VOL[i]);
                }
            }
        }
        for (int n = 1; n <= kRowCount; ++n) {
            EXPECT_EQ(everything.row(n).DR, drums.row(n).DR);
            EXPECT_EQ(everything.row(n).BUF, steps.row(n).BUF);
        }
    }
}

TEST(Randomizer, DrawCountIsBarsTimesSubNotTheGridLength) {
    GrooveState start = sparseGroove();
    start.BARS = 1;
    start.SUB = 1;
    start.BEATS = 16;
    for (int seconds = 0; seconds < 100; seconds += 11) {
        const GrooveState s = run(start, 3, seconds);
        for (const DrumRow& row : s.rows) ASSERT_EQ(onSteps(row).size(), 1u);
    }
}

TEST(Randomizer, PositionsStayBelowAShortGridLength) {
    GrooveState start = sparseGroove();
    start.LNG = 5;
    for (int seconds = 0; seconds < 100; ++seconds) {
        const GrooveState s = run(start, 4, seconds);
        for (const DrumRow& row : s.rows)
            for (int p : onSteps(row)) ASSERT_LT(p, 5);
    }
}

TEST(Randomizer, NoGridDrawnSkipsTheFillButStillClearsAndRefills) {
    GrooveState start = sparseGroove();
    start.LNG = 0;
    start.row(1).DV = 44;
    EXPECT_EQ(run(start, 1, 9), [&] {
        GrooveState same = start;
        same.randTOG = 1;
        return same;
    }());
    for (int mode = 3; mode <= 5; ++mode) {
        SCOPED_TRACE(mode);
        const GrooveState s = run(start, mode, 9);
        EXPECT_EQ(s.undoTOG, 1);
        for (int n = 1; n <= kRowCount; ++n) {
            const DrumRow& row = s.row(n);
            EXPECT_TRUE(onSteps(row).empty());
            EXPECT_EQ(row.undo[n], start.row(n).BUF[n]);
            EXPECT_EQ(row.oldV, start.row(n).oldV);
            for (int i = 0; i < kWorkedSteps; ++i) ASSERT_EQ(row.VOL[i], n == 1 ? 44 : 5);
        }
    }
}

}  // namespace
}  // namespace pattaplex
