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
    GrooveState s = freshStartState();
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

TEST(Randomizer, ModesOneAndTwoDrawVelocitiesOrNotesAndChangeNoStep) {
    const GrooveState start = sparseGroove();
    bool rowOneTop = false, offStepWritten = false;
    std::set<int> notesChanged;
    for (int seconds = 0; seconds < 100; ++seconds) {
        GrooveState velocities = run(start, 1, seconds), notes = run(start, 2, seconds);
        for (int n = 1; n <= kRowCount; ++n) {
            DrumRow &v = velocities.row(n), &d = notes.row(n);
            EXPECT_TRUE(drawnVelocity(n, v.oldV));
            for (int i = 0; i < kBufferSize; ++i) {
                if (v.VOL[i] == 5) continue;
                ASSERT_LT(i, start.LNG);
                ASSERT_TRUE(drawnVelocity(n, v.VOL[i])) << "row " << n << ": " << v.VOL[i];
                rowOneTop |= n == 1 && v.VOL[i] == 127;
                offStepWritten |= v.BUF[i] == 0;
            }
            ASSERT_TRUE(d.DR >= 35 && d.DR <= 82) << d.DR;
            if (d.DR != start.row(n).DR) notesChanged.insert(n);
            v.VOL = start.row(n).VOL;
            v.oldV = start.row(n).oldV;
            d.DR = start.row(n).DR;
        }
        ASSERT_EQ(velocities, start);
        ASSERT_EQ(notes, start);
    }
    EXPECT_TRUE(rowOneTop && offStepWritten);
    EXPECT_EQ(notesChanged.size(), 10u);  // row 5 included
}

TEST(Randomizer, RefillingModesKeepTheOldGridAsUndoCopyAndSwitchOnRowNotes) {
    for (int mode = 3; mode <= 5; ++mode)
        for (int seconds = 0; seconds < 100; seconds += 7) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " seconds " << seconds);
            GrooveState start = sparseGroove();
            start.DEMO = 4;
            start.row(3).DV = 0;  // muted rows get steps too
            const GrooveState s = run(start, mode, seconds);
            EXPECT_EQ(s.undoTOG, 1);
            for (int n = 1; n <= kRowCount; ++n) {
                const DrumRow &row = s.row(n), &old = start.row(n);
                EXPECT_EQ(std::tie(row.undo, row.oldD), std::tie(old.BUF, old.DR));
                EXPECT_TRUE(mode == 5 || row.DR == old.DR);
                const size_t on = onSteps(row).size();
                EXPECT_TRUE(on >= 1 && on <= 4) << on;  // SUB x BARS draws
                bool oldVDrawn = false;
                for (int i = 0; i < kBufferSize; ++i) {
                    // Steps take the note the row had before mode 5 drew a new one.
                    ASSERT_TRUE(row.BUF[i] == 0 || (i < start.LNG && row.BUF[i] == old.DR)) << i;
                    if (row.BUF[i] != 0 && mode > 3) {
                        ASSERT_TRUE(drawnVelocity(n, row.VOL[i])) << row.VOL[i];
                        oldVDrawn |= row.VOL[i] == row.oldV;
                    } else {
                        ASSERT_EQ(row.VOL[i], n == 4 && i < kWorkedSteps ? row.DV : 5) << i;
                    }
                }
                EXPECT_TRUE(mode == 3 ? row.oldV == old.oldV : oldVDrawn);
            }
        }
}

TEST(Randomizer, EveryModeMakesTheSameDraws) {
    const GrooveState start = sparseGroove();
    for (int seconds : {3, 58}) {
        const GrooveState velocities = run(start, 1, seconds), notes = run(start, 2, seconds);
        const GrooveState steps = run(start, 4, seconds), all = run(start, 5, seconds);
        for (int n = 1; n <= kRowCount; ++n) {
            EXPECT_EQ(std::tie(all.row(n).DR, all.row(n).BUF),
                      std::tie(notes.row(n).DR, steps.row(n).BUF));
            for (int i = 0; i < kBufferSize && n != start.DEMO; ++i) {
                const int32_t v = velocities.row(n).VOL[i];
                ASSERT_EQ(v != 5, steps.row(n).BUF[i] != 0);
                ASSERT_TRUE(v == 5 || v == steps.row(n).VOL[i]);
            }
        }
    }
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
