// Clearing with one undo copy, the undo toggle and the clear/undo button.
#include "clear_undo.h"

#include <gtest/gtest.h>

#include "defaults.h"
#include "groove_fixtures.h"

namespace pattaplex {
namespace {

using Grid = std::array<std::array<int32_t, kBufferSize>, kRowCount>;

Grid grid(const GrooveState& s) {
    Grid g{};
    for (int i = 0; i < kRowCount; ++i) g[i] = s.rows[i].BUF;
    return g;
}

bool gridEmpty(const GrooveState& s) {
    for (const DrumRow& row : s.rows)
        for (int i = 0; i < kWorkedSteps; ++i)
            if (row.BUF[i] != 0) return false;
    return true;
}

// A started program with a few steps switched on by clicks (value = the row's note).
GrooveState withSteps() {
    GrooveState s = freshStartState();
    s.row(1).BUF[0] = s.row(1).DR;
    s.row(2).BUF[5] = s.row(2).DR;
    s.row(10).BUF[15] = s.row(10).DR;
    s.row(4).VOL[5] = 17;
    return s;
}

TEST(ClearUndo, ClearCopiesEmptiesAndRecordsNotesButKeepsVolumesAndSavedFlag) {
    GrooveState s = test::busyGroove();
    s.row(3).BUF[70] = 5;  // beyond the worked entries
    s.dataTOG = 0;
    const GrooveState before = s;
    clearBufs(s);
    EXPECT_EQ(s.undoTOG, 1);
    EXPECT_EQ(s.dataTOG, 0);
    for (int n = 1; n <= kRowCount; ++n) {
        const DrumRow& row = s.row(n);
        EXPECT_EQ(row.oldD, row.DR);
        EXPECT_EQ(row.DV, before.row(n).DV);
        EXPECT_EQ(row.VOL, before.row(n).VOL);
        for (int i = 0; i < kWorkedSteps; ++i) {
            ASSERT_EQ(row.undo[i], before.row(n).BUF[i]);
            ASSERT_EQ(row.BUF[i], 0);
        }
    }
    EXPECT_EQ(s.row(3).BUF[70], 5);
    EXPECT_EQ(s.row(3).undo[70], 0);
}

TEST(ClearUndo, UndoAtStartUpFlipsThenEmptiesTheGrid) {
    GrooveState s = withSteps();
    const Grid steps = grid(s);
    undoClear(s);  // U
    EXPECT_EQ(s.undoTOG, 1);
    EXPECT_EQ(grid(s), steps);
    EXPECT_EQ(s.row(1).DR, 51);
    undoClear(s);  // U again: the undo copy is still empty
    EXPECT_EQ(s.undoTOG, 0);
    EXPECT_TRUE(gridEmpty(s));
}

TEST(ClearUndo, DeleteUndoBringsStepsBackWithTheirVelocities) {
    GrooveState s = withSteps();
    const GrooveState before = s;
    clearBufs(s);
    EXPECT_TRUE(gridEmpty(s));
    undoClear(s);
    EXPECT_EQ(s.undoTOG, 0);
    EXPECT_EQ(grid(s), grid(before));
    EXPECT_EQ(s.row(4).VOL[5], 17);
}

TEST(ClearUndo, SecondDeleteCopiesTheEmptyGrid) {
    GrooveState s = withSteps();
    clearBufs(s);
    clearBufs(s);
    undoClear(s);
    EXPECT_TRUE(gridEmpty(s));
}

TEST(ClearUndo, UndoReturnsTheNotesOfTheClear) {
    GrooveState s = withSteps();
    const Grid steps = grid(s);
    clearBufs(s);
    s.row(2).DR = 60;
    undoClear(s);
    EXPECT_EQ(grid(s), steps);
    EXPECT_EQ(s.row(2).DR, 37);
    s.row(2).DR = 61;
    undoClear(s);  // the flip that keeps the steps still sets the notes
    EXPECT_EQ(s.row(2).DR, 37);
}

TEST(ClearUndo, UndoSequenceReplacesLaterEditsWithTheLastClear) {
    GrooveState s = withSteps();
    const Grid cleared = grid(s);
    clearBufs(s);          // Delete
    s.row(5).BUF[3] = 67;  // new steps
    undoClear(s);          // U: old steps replace the grid
    EXPECT_EQ(grid(s), cleared);
    s.row(6).BUF[9] = 78;  // more steps
    const Grid edited = grid(s);
    undoClear(s);  // U: nothing changes
    EXPECT_EQ(s.undoTOG, 1);
    EXPECT_EQ(grid(s), edited);
    undoClear(s);  // U: the grid of the last clear again
    EXPECT_EQ(s.undoTOG, 0);
    EXPECT_EQ(grid(s), cleared);
}

TEST(ClearUndo, ButtonUndoesFromZeroAndClearsFromOne) {
    GrooveState s = withSteps();
    const Grid steps = grid(s);
    // undoTOG 0: undo, steps unchanged, notes from the record, title "Revert".
    s.row(1).DR = 40;
    EXPECT_STREQ(cleanBufs(s), "Revert");
    EXPECT_EQ(s.undoTOG, 1);
    EXPECT_EQ(grid(s), steps);
    EXPECT_EQ(s.row(1).DR, 51);
    // undoTOG 1: clear, undo copy becomes the current grid, title "Undo".
    EXPECT_STREQ(cleanBufs(s), "Undo");
    EXPECT_EQ(s.undoTOG, 1);
    EXPECT_TRUE(gridEmpty(s));
    EXPECT_EQ(s.row(2).undo[5], 37);
    EXPECT_STREQ(cleanBufs(s), "Undo");  // cleared again: the copy is now empty
    EXPECT_EQ(s.row(2).undo[5], 0);
}

TEST(ClearUndo, EntriesBeyondTheWorkedStepsAreNeverCopiedOrRestored) {
    GrooveState s = freshStartState();
    s.row(1).undo[kWorkedSteps] = 9;
    s.row(1).BUF[kBufferSize - 1] = 8;
    clearBufs(s);
    undoClear(s);
    EXPECT_EQ(s.row(1).BUF[kBufferSize - 1], 8);
    EXPECT_EQ(s.row(1).BUF[kWorkedSteps], 0);
    EXPECT_EQ(s.row(1).undo[kWorkedSteps], 9);
}

}  // namespace
}  // namespace pattaplex
