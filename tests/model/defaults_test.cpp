// Start-up values, the factory and previous sounds, the velocity fills and the step count.
#include "defaults.h"

#include <gtest/gtest.h>

#include "groove_fixtures.h"
#include "names.h"

namespace pattaplex {
namespace {

void expectFactoryRows(const GrooveState& s) {
    const std::tuple<int32_t, const char*, int32_t> kFactory[kRowCount] = {
        {51, "Ride 1", 90},   {37, "SideStick", 90},  {44, "Pedal Hat", 120},
        {68, "Hi Agogo", 60}, {67, "Lo Agogo", 90},   {78, "Quicka 1", 90},
        {79, "Quicka 2", 90}, {47, "Lo/Mid Tom", 90}, {63, "Open Conga", 90},
        {36, "BassDrum1", 90}};
    for (int n = 1; n <= kRowCount; ++n) {
        const auto [note, drum, volume] = kFactory[n - 1];
        EXPECT_EQ(std::tie(s.row(n).DR, s.row(n).DV), std::tie(note, volume)) << n;
        EXPECT_EQ(soundName(kDefaultKit, note), drum);
    }
}

TEST(Defaults, FreshProgramHoldsTheStartUpValuesAndDefaults) {
    const GrooveState s = test::startedGroove();
    EXPECT_EQ(std::tie(s.TEMPO, s.BARS, s.BEATS, s.SUB, s.PRE, s.GRID, s.DEMO, s.DRC, s.KIT),
              std::make_tuple(160, 2, 4, 2, 4, 1, 1, 51, 16417));
    for (int32_t zero : {s.oldKIT, s.dataTOG, s.undoTOG, s.colTOG, s.randTOG, s.INF, s.velTOG,
                         s.saveSET, s.exportMIDI, s.LOOP, s.DRV})
        EXPECT_EQ(zero, 0);
    EXPECT_EQ(s.lastFile, "Groove");
    expectFactoryRows(s);
    for (const DrumRow& row : s.rows) {
        EXPECT_EQ(std::tie(row.oldD, row.oldV), std::tie(row.DR, row.DV));
        for (int i = 0; i < kBufferSize; ++i)
            ASSERT_EQ(std::tie(row.BUF[i], row.undo[i], row.VOL[i]),
                      std::make_tuple(0, 0, i < kWorkedSteps ? row.DV : 0));
    }
    // The previous settings right after start-up: the factory rows and the kit number 0
    // of the start-up values, which the defaults replaced.
    GrooveState previous = s;
    ASSERT_FALSE(previousSoundsNeedDefaults(previous));
    restorePreviousSounds(previous);
    expectFactoryRows(previous);
    EXPECT_EQ(previous.KIT, 0);
}

TEST(Defaults, FactorySoundsReplaceTheCurrentOnesWhichBecomeThePrevious) {
    GrooveState s = test::busyGroove();
    s.KIT = 5;
    s.row(3).oldD = 0;
    GrooveState before = s;
    before.row(3).oldD = before.row(3).DR;
    loadDefaultSounds(s);
    expectFactoryRows(s);
    EXPECT_EQ(std::tie(s.KIT, s.oldKIT, s.DRC), std::make_tuple(16417, 5, 51));
    restorePreviousSounds(s);
    for (int n = 1; n <= kRowCount; ++n)
        EXPECT_EQ(s.row(n), before.row(n));  // steps, velocities and sounds back
    EXPECT_EQ(s.KIT, 5);
    for (auto [oldD, oldV, unusable] :
         {std::tuple{41, 71, false}, {0, 71, true}, {-5, 71, true}, {41, 0, true}}) {
        s.row(1).oldD = oldD;
        s.row(1).oldV = oldV;
        s.row(2).oldV = 0;  // only row 1 decides
        EXPECT_EQ(previousSoundsNeedDefaults(s), unusable) << oldD << " " << oldV;
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
