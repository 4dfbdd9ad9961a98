// Clearing with one undo copy, the undo toggle and the clear/undo button.
#include "clear_undo.h"

#include <gtest/gtest.h>

#include <map>

#include "groove_fixtures.h"

namespace pattaplex {
namespace {

// Steps: C clear, U undo, B the button, E a click switching a step on. After each step,
// undoTOG and the grid: A the first, 0 empty, a/o the first/empty one with the click.
// The button's titles: C "Clear", U "Undo".
struct Sequence {
    const char *steps, *toggles, *grids, *titles;
};

bool emptyGrid(const GrooveState& s) {
    for (const DrumRow& row : s.rows)
        for (int i = 0; i < kWorkedSteps; ++i)
            if (row.BUF[i] != 0) return false;
    return true;
}

TEST(ClearUndo, SequencesFollowTheUndoToggle) {
    // At start-up the undo copy is empty; a clear of the empty grid keeps the copy; the
    // button undoes while there is a clear to undo.
    const Sequence kSequences[] = {{"UU", "10", "A0", ""},      {"CU", "10", "0A", ""},
                                   {"CCU", "110", "00A", ""},   {"CEUEUU", "110010", "0oAaaA", ""},
                                   {"BBU", "101", "0AA", "UC"}, {"BBBU", "1010", "0A0A", "UCU"},
                                   {"CBB", "101", "0A0", "CU"}};
    for (const Sequence& q : kSequences) {
        SCOPED_TRACE(q.steps);
        GrooveState s = test::busyGroove();
        s.row(3).BUF[70] = 5;  // entries past the worked ones are never copied or restored
        s.row(3).undo[70] = 9;
        const GrooveState start = s;
        std::map<char, GrooveState> grids{{'A', s}, {'0', s}};
        for (DrumRow& row : grids['0'].rows) std::fill_n(row.BUF.begin(), kWorkedSteps, 0);
        grids['a'] = grids['A'];
        grids['o'] = grids['0'];
        grids['a'].row(5).BUF[3] = grids['o'].row(5).BUF[3] = 7;
        const char* title = q.titles;
        int32_t recorded = s.row(2).oldD;  // the note the last clear recorded
        for (size_t k = 0; q.steps[k] != 0; ++k) {
            const char step = q.steps[k];
            if (step == 'E') s.row(5).BUF[3] = 7;
            if (step == 'C') {
                // A clear of the empty grid keeps the copy and the notes recorded with it.
                s.row(2).DR = static_cast<int32_t>(50 + k);
                if (!emptyGrid(s)) recorded = s.row(2).DR;
                clearBufs(s);
            } else if (step == 'B') {
                EXPECT_STREQ(cleanBufs(s), *title++ == 'C' ? "Clear" : "Undo");
            } else if (step == 'U') {
                s.row(2).DR = 60;
                undoClear(s);
                EXPECT_EQ(s.row(2).DR, recorded) << k;
            }
            EXPECT_EQ(s.undoTOG, q.toggles[k] - '0') << k;
            for (int n = 1; n <= kRowCount; ++n) {
                ASSERT_EQ(s.row(n).BUF, grids[q.grids[k]].row(n).BUF) << k << " row " << n;
                ASSERT_EQ(s.row(n).VOL, start.row(n).VOL);
            }
            EXPECT_EQ(s.dataTOG, 0);  // clearing is not an edit to save
        }
    }
}

}  // namespace
}  // namespace pattaplex
