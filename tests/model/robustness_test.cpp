// Whatever the fields hold (a groove file can bring any numbers), no operation reads or
// writes outside a buffer: AddressSanitizer and UndefinedBehaviorSanitizer catch it.
#include <gtest/gtest.h>

#include "groove_fixtures.h"
#include "names.h"
#include "presets.h"

namespace pattaplex {
namespace {

TEST(Robustness, GridFieldsSelectionLengthAndTagsOutOfRange) {
    const int32_t kOdd[] = {0, -1, -54, 9, 55, 81, 1000, INT32_MAX, INT32_MIN};
    for (int32_t bars : kOdd)
        for (int32_t sub : kOdd)
            for (int32_t lng : {-5, 0, 54, 55, 80, 1000, INT32_MAX, INT32_MIN}) {
                SCOPED_TRACE(testing::Message() << bars << " " << sub << " " << lng);
                GrooveState start = test::busyGroove();
                // A selection outside 1..10 as often as not; the clock of any sign.
                std::tie(start.BARS, start.BEATS, start.SUB, start.LNG, start.DEMO) =
                    std::make_tuple(bars, bars == 9 ? 9 : -3, sub, lng, sub);
                EXPECT_TRUE(stepCount(start) >= 0 && stepCount(start) <= kMaxShownSteps);
                for (int mode : {-1, 1, 2, 3, 4, 5, 6}) {
                    GrooveState s = start;
                    s.randTOG = mode;
                    randomize(s, test::fixedClock(int64_t{lng} * bars));
                    for (const DrumRow& row : s.rows) {
                        for (int i = kWorkedSteps; i < kBufferSize; ++i)
                            ASSERT_EQ(row.BUF[i] | row.VOL[i], 0);
                        // Refilled after a clear: only where a grid can show.
                        for (int p : test::onSteps(row))
                            ASSERT_TRUE(mode < 3 || p < kMaxShownSteps);
                        ASSERT_TRUE(mode != 5 || (row.DR >= 35 && row.DR <= 82)) << row.DR;
                    }
                }
                GrooveState s;  // presets, which also refill the selected row's velocities
                for (int tag : {INT32_MIN, -1, 0, 3, 10, 13, INT32_MAX})
                    doPreset(s = start, tag, test::fixedClock(tag));
            }
}

// The drum names at the table's ends and its repeated names; pitch names elsewhere.
TEST(NoteNames, TablesNameNotes35To84AndNothingElse) {
    const char* const kPitches[] = {"C",  "Db", "D",  "Eb", "E",  "F",
                                    "Gb", "G",  "Ab", "A",  "Bb", "B"};
    for (int note = 35; note <= 84; ++note)
        for (int kit : {1, 1000})
            EXPECT_EQ(soundName(kit, note), kPitches[note % 12] + std::to_string(note / 12 - 1));
    EXPECT_EQ(soundName(16417, 35), "BassDrum2");
    EXPECT_EQ(soundName(16417, 84), "Slide Bells");
    EXPECT_EQ(soundName(16417, 43), soundName(16417, 50));  // "High Tom" twice
    EXPECT_EQ(soundName(16417, 70), soundName(16417, 82));  // "Shaker 2" twice
    for (int note : {INT32_MIN, -1, 34, 85, INT32_MAX})
        EXPECT_FALSE(soundName(1, note) || soundName(16417, note)) << note;
    EXPECT_FALSE(kitName(0) || kitName(-16417));
}

}  // namespace
}  // namespace pattaplex
