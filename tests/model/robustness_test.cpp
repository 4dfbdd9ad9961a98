// Whatever the fields hold (a groove file can bring any numbers), no operation reads or
// writes outside a buffer. Run under AddressSanitizer and UndefinedBehaviorSanitizer.
#include <gtest/gtest.h>

#include <climits>

#include "clear_undo.h"
#include "defaults.h"
#include "groove_fixtures.h"
#include "names.h"
#include "presets.h"
#include "randomizer.h"

namespace pattaplex {
namespace {

const int32_t kOddValues[] = {0, -1, -54, 9, 55, 81, 1000, INT32_MAX, INT32_MIN};

GrooveState oddGroove(int32_t bars, int32_t beats, int32_t sub, int32_t lng, int32_t demo) {
    GrooveState s = test::busyGroove();
    s.BARS = bars;
    s.BEATS = beats;
    s.SUB = sub;
    s.LNG = lng;
    s.DEMO = demo;
    return s;
}

TEST(Robustness, GridFieldsSelectionAndLengthOutOfRange) {
    for (int32_t bars : kOddValues)
        for (int32_t sub : kOddValues)
            for (int32_t lng : {-5, 0, 54, 55, 80, 1000, INT32_MAX, INT32_MIN}) {
                const int32_t beats = bars == 9 ? 9 : -3;
                const int32_t demo = sub;  // selection out of 1..10 as often as not
                SCOPED_TRACE(testing::Message() << bars << " " << sub << " " << lng);
                const int steps = stepCount(oddGroove(bars, beats, sub, lng, demo));
                EXPECT_GE(steps, 0);
                EXPECT_LE(steps, kMaxShownSteps);
                for (int mode : {-1, 0, 1, 2, 3, 4, 5, 6, INT32_MAX}) {
                    GrooveState s = oddGroove(bars, beats, sub, lng, demo);
                    s.randTOG = mode;
                    randomize(s, test::fixedClock(lng));
                    // Entries past the worked steps start empty and must stay so; a
                    // refilling mode empties the grid first, so its steps lie below 54.
                    for (const DrumRow& row : s.rows) {
                        for (int i = kWorkedSteps; i < kBufferSize; ++i)
                            ASSERT_EQ(row.BUF[i] | row.VOL[i], 0);
                        if (mode > 2) {
                            for (int p : test::onSteps(row)) ASSERT_LT(p, kMaxShownSteps);
                        }
                    }
                }
                GrooveState s = oddGroove(bars, beats, sub, lng, demo);
                initVOL(s);
                setVOL(s);
                clearBufs(s);
                undoClear(s);
                cleanBufs(s);
                cleanBufs(s);
                restorePreviousSounds(s);
            }
}

TEST(Robustness, PresetTagsAndSelectionOutOfRange) {
    for (int tag : {INT_MIN, -1, 0, 1, 3, 9, 10, 12, 13, INT_MAX})
        for (int32_t demo : {INT32_MIN, -1, 0, 11, INT32_MAX})
            for (int32_t lng : {INT32_MIN, 0, 80, INT32_MAX}) {
                GrooveState s = oddGroove(INT32_MAX, INT32_MIN, 0, lng, demo);
                doPreset(s, tag, test::fixedClock(tag));
                EXPECT_EQ(s.PRE, tag);
            }
}

TEST(Robustness, ClockReadingsOfAnySign) {
    for (int64_t seconds : {INT64_MIN, int64_t{-1}, int64_t{0}, INT64_MAX}) {
        GrooveState s = freshStartState();
        s.randTOG = 5;
        randomize(s, test::fixedClock(seconds));
        for (const DrumRow& row : s.rows) {
            EXPECT_GE(row.DR, 35);
            EXPECT_LE(row.DR, 82);
        }
    }
}

TEST(Names, TablesNameNotes35To84AndNothingElse) {
    const std::vector<std::string> notes = splitNames(roots), drums = splitNames(DRnames);
    ASSERT_EQ(notes.size(), 50u);
    ASSERT_EQ(drums.size(), 50u);
    static const char* const kPitchClasses[] = {"C",  "Db", "D",  "Eb", "E",  "F",
                                                "Gb", "G",  "Ab", "A",  "Bb", "B"};
    for (int note = 35; note <= 84; ++note) {
        const std::string name = kPitchClasses[note % 12] + std::to_string(note / 12 - 1);
        EXPECT_EQ(soundName(1, note), name);
        EXPECT_EQ(soundName(1000, note), name);
        EXPECT_EQ(soundName(16417, note), drums[static_cast<size_t>(note - 35)]);
    }
    EXPECT_EQ(soundName(16417, 35), "BassDrum2");
    EXPECT_EQ(soundName(16417, 43), soundName(16417, 50));  // "High Tom" twice
    EXPECT_EQ(soundName(16417, 70), soundName(16417, 82));  // "Shaker 2" twice
    EXPECT_EQ(soundName(16417, 84), "Slide Bells");
    for (int note : {INT_MIN, -1, 0, 34, 85, INT_MAX}) {
        EXPECT_FALSE(soundName(1, note).has_value());
        EXPECT_FALSE(soundName(16417, note).has_value());
    }
    EXPECT_FALSE(kitName(0).has_value());
    EXPECT_FALSE(kitName(-16417).has_value());
}

}  // namespace
}  // namespace pattaplex
