// Start-up values, the defaults and previous-settings actions, and the velocity fills.
#include "defaults.h"

#include <gtest/gtest.h>

#include "groove_fixtures.h"
#include "names.h"

namespace pattaplex {
namespace {

using test::setDefaultsAction;
using test::setPrevAction;

struct DefaultRow {
    int32_t note;
    const char* drum;
    int32_t volume;
};
// The factory sound of every row, top row first.
const DefaultRow kFactoryRows[kRowCount] = {
    {51, "Ride 1", 90},     {37, "SideStick", 90}, {44, "Pedal Hat", 120}, {68, "Hi Agogo", 60},
    {67, "Lo Agogo", 90},   {78, "Quicka 1", 90},  {79, "Quicka 2", 90},   {47, "Lo/Mid Tom", 90},
    {63, "Open Conga", 90}, {36, "BassDrum1", 90},
};

void expectFactoryRows(const GrooveState& s) {
    for (int n = 1; n <= kRowCount; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(s.row(n).DR, kFactoryRows[n - 1].note);
        EXPECT_EQ(s.row(n).DV, kFactoryRows[n - 1].volume);
        EXPECT_EQ(soundName(kDefaultKit, s.row(n).DR), kFactoryRows[n - 1].drum);
    }
}

TEST(StartUp, FreshProgramHoldsTheStartUpValuesAndDefaults) {
    const GrooveState s = freshStartState();
    EXPECT_EQ(s.TEMPO, 160);
    EXPECT_EQ(s.BARS, 2);
    EXPECT_EQ(s.BEATS, 4);
    EXPECT_EQ(s.SUB, 2);
    EXPECT_EQ(s.PRE, 4);
    EXPECT_EQ(s.GRID, 1);
    EXPECT_EQ(s.DEMO, 1);
    EXPECT_EQ(s.DRC, 51);
    EXPECT_EQ(s.KIT, 16417);
    EXPECT_EQ(s.oldKIT, 0);
    for (int32_t flag : {s.dataTOG, s.undoTOG, s.colTOG, s.randTOG, s.INF, s.velTOG, s.saveSET,
                         s.exportMIDI, s.LOOP, s.DRV})
        EXPECT_EQ(flag, 0);
    EXPECT_EQ(s.lastFile, "Groove");
    EXPECT_EQ(s.LNG, 16);
    EXPECT_EQ(s.left, 404 - 7 * 16);
    expectFactoryRows(s);
    for (int n = 1; n <= kRowCount; ++n) {
        const DrumRow& row = s.row(n);
        // The defaults action ran after the start-up values, so the previous ones match.
        EXPECT_EQ(row.oldD, row.DR);
        EXPECT_EQ(row.oldV, row.DV);
        for (int i = 0; i < kBufferSize; ++i) {
            EXPECT_EQ(row.BUF[i], 0);
            EXPECT_EQ(row.undo[i], 0);
            EXPECT_EQ(row.VOL[i], i < kWorkedSteps ? row.DV : 0) << "row " << n << " step " << i;
        }
    }
}

TEST(StartUp, StartUpValuesRememberTheEmptyRowsAsPrevious) {
    GrooveState s;
    applyStartupValues(s);
    expectFactoryRows(s);
    EXPECT_EQ(s.row(3).oldD, 0);
    EXPECT_EQ(s.row(3).oldV, 0);
    EXPECT_EQ(s.KIT, 0);  // the kit comes with the defaults action
}

TEST(PreviousSettings, AfterStartUpRestoresDefaultRowsAndKitZero) {
    GrooveState s = freshStartState();
    EXPECT_FALSE(previousSoundsNeedDefaults(s));
    setPrevAction(s);
    expectFactoryRows(s);
    EXPECT_EQ(s.KIT, 0);
    const GrooveState once = s;
    setPrevAction(s);
    EXPECT_EQ(s, once);  // the previous values are kept, so a second restore repeats it
}

TEST(PreviousSettings, MutedRowOneRunsDefaultsFirstAndPutsCurrentSoundsBack) {
    GrooveState s = test::busyGroove();
    s.KIT = 16401;
    s.row(1).oldV = 0;
    ASSERT_TRUE(previousSoundsNeedDefaults(s));
    const GrooveState before = s;
    setPrevAction(s);
    EXPECT_EQ(s.KIT, 16401);
    EXPECT_EQ(s.oldKIT, 16401);
    for (int n = 1; n <= kRowCount; ++n) {
        const DrumRow& row = s.row(n);
        EXPECT_EQ(row.DR, before.row(n).DR);
        EXPECT_EQ(row.DV, before.row(n).DV);
        EXPECT_EQ(row.oldD, row.DR);
        EXPECT_EQ(row.oldV, row.DV);
        EXPECT_EQ(row.BUF, before.row(n).BUF);
        for (int i = 0; i < kWorkedSteps; ++i) ASSERT_EQ(row.VOL[i], row.DV);
    }
}

TEST(PreviousSettings, RowOneNoteNotPositiveAlsoNeedsDefaults) {
    GrooveState s = freshStartState();
    for (int32_t bad : {0, -5}) {
        s.row(1).oldD = bad;
        EXPECT_TRUE(previousSoundsNeedDefaults(s));
    }
    s.row(1).oldD = 51;
    s.row(2).oldV = 0;  // only row 1 decides
    EXPECT_FALSE(previousSoundsNeedDefaults(s));
}

TEST(Defaults, KeepStepsGridAndSelectionButRefillEveryVelocity) {
    GrooveState s = test::busyGroove();
    s.KIT = 5;
    s.BARS = 3;
    s.TEMPO = 99;
    s.DEMO = 4;
    const GrooveState before = s;
    setDefaultsAction(s);
    expectFactoryRows(s);
    EXPECT_EQ(s.KIT, 16417);
    EXPECT_EQ(s.oldKIT, 5);
    EXPECT_EQ(s.DRC, 51);
    EXPECT_EQ(s.BARS, 3);
    EXPECT_EQ(s.TEMPO, 99);
    EXPECT_EQ(s.DEMO, 4);
    for (int n = 1; n <= kRowCount; ++n) {
        EXPECT_EQ(s.row(n).oldD, before.row(n).DR);
        EXPECT_EQ(s.row(n).oldV, before.row(n).DV);
        EXPECT_EQ(s.row(n).BUF, before.row(n).BUF);
        for (int i = 0; i < kBufferSize; ++i)
            ASSERT_EQ(s.row(n).VOL[i], i < kWorkedSteps ? s.row(n).DV : before.row(n).VOL[i]);
    }
}

TEST(Velocities, SetVolTouchesOnlyTheSelectedRow) {
    GrooveState s = test::busyGroove();
    const GrooveState before = s;
    for (int32_t none : {0, -1, 11}) {
        s.DEMO = none;
        const GrooveState unselected = s;
        setVOL(s);
        EXPECT_EQ(s, unselected) << "DEMO " << none;
    }
    s.DEMO = 7;
    setVOL(s);
    for (int n = 1; n <= kRowCount; ++n)
        for (int i = 0; i < kWorkedSteps; ++i)
            ASSERT_EQ(s.row(n).VOL[i], n == 7 ? s.row(7).DV : before.row(n).VOL[i]);
}

TEST(Velocities, FiftyFourStepGrooveIsFilledOnEveryStep) {
    GrooveState s = test::busyGroove();
    s.BARS = 6;
    s.BEATS = 3;
    s.SUB = 3;
    ASSERT_EQ(stepCount(s), 54);
    initVOL(s);
    for (const DrumRow& row : s.rows)
        for (int i = 0; i < 54; ++i) ASSERT_EQ(row.VOL[i], row.DV);
    s.row(2).DV = 33;
    s.DEMO = 2;
    setVOL(s);
    for (int i = 0; i < 54; ++i) ASSERT_EQ(s.row(2).VOL[i], 33);
}

TEST(StepCount, CapsBarsAsTheDrawingPassDoes) {
    GrooveState s;
    auto steps = [&](int32_t bars, int32_t beats, int32_t sub) {
        s.BARS = bars;
        s.BEATS = beats;
        s.SUB = sub;
        return stepCount(s);
    };
    EXPECT_EQ(steps(2, 4, 2), 16);
    EXPECT_EQ(steps(6, 3, 3), 54);
    EXPECT_EQ(steps(10, 4, 2), 48);
    EXPECT_EQ(steps(INT32_MAX, 4, 2), 48);
    EXPECT_EQ(steps(1, 11, 5), 0);  // not even one bar fits
    EXPECT_EQ(steps(0, 4, 2), 0);
    EXPECT_EQ(steps(-2, -4, 2), 0);
    EXPECT_EQ(steps(2, INT32_MAX, INT32_MAX), 0);
}

}  // namespace
}  // namespace pattaplex
