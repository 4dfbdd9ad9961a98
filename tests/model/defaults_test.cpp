// The factory and previous sounds, the velocity fills and the step count.
#include "defaults.h"

#include <gtest/gtest.h>

#include "groove_fixtures.h"

namespace pattaplex {
namespace {

TEST(Defaults, FactorySoundsReplaceTheCurrentOnesWhichBecomeThePrevious) {
    const GrooveState fresh = test::startedGroove();
    for (const DrumRow& row : fresh.rows)  // velocities filled over the worked steps only
        for (int i = 0; i < kBufferSize; ++i)
            ASSERT_EQ(row.VOL[i], i < kWorkedSteps ? row.DV : 0) << i;
    EXPECT_FALSE(previousSoundsRecorded(fresh));  // right after start-up: no kit before

    GrooveState s = test::busyGroove();
    s.KIT = 5;
    s.row(3).oldD = 0;
    s.row(4).DV = 0;  // muted: the previous volume stays the audible one
    GrooveState before = s;
    before.row(3).oldD = before.row(3).DR;
    before.row(4).DV = before.row(4).oldV;
    loadDefaultSounds(s);
    for (int n = 1; n <= kRowCount; ++n)
        EXPECT_EQ(std::tie(s.row(n).DR, s.row(n).DV),
                  std::tie(kDefaultNotes[n - 1], kDefaultVolumes[n - 1]));
    EXPECT_EQ(std::tie(s.KIT, s.oldKIT), std::make_tuple(kDefaultKit, 5));
    restorePreviousSounds(s);
    for (int n = 1; n <= kRowCount; ++n)
        EXPECT_EQ(s.row(n), before.row(n));  // steps, velocities and sounds back
    EXPECT_EQ(s.KIT, 5);
    for (auto [oldD, oldV, unusable] :
         {std::tuple{41, 71, false}, {0, 71, true}, {-5, 71, true}, {41, 0, true}}) {
        s.row(1).oldD = oldD;
        s.row(1).oldV = oldV;
        s.row(2).oldV = 0;  // only row 1 decides
        EXPECT_EQ(previousSoundsRecorded(s), !unusable) << oldD << " " << oldV;
    }
}

TEST(StepCount, CapsBarsAsTheDrawingPassDoes) {
    // Bars, beats, sub and the steps; in 1 x 11 x 5 not even one bar fits.
    const std::array<int32_t, 4> kCases[] = {
        {2, 4, 2, 16}, {6, 3, 3, 54}, {10, 4, 2, 48}, {INT32_MAX, 4, 2, 48},
        {1, 11, 5, 0}, {0, 4, 2, 0},  {-2, -4, 2, 0}, {2, INT32_MAX, INT32_MAX, 0}};
    for (auto [bars, beats, sub, steps] : kCases) {
        GrooveState s;
        std::tie(s.BARS, s.BEATS, s.SUB) = std::tie(bars, beats, sub);
        EXPECT_EQ(stepCount(s), steps) << bars << " " << beats << " " << sub;
    }
}

}  // namespace
}  // namespace pattaplex
