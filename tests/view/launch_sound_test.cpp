// The start-up sound: the first opening waits for the window, and nothing is lost.
#include <gtest/gtest.h>

#include "LaunchSound.h"
#include "WindowFixture.h"

namespace pattaplex {
namespace {

TEST(LaunchSound, OpeningDuringStartUpWaitsForTheWindow) {
    RecordingSound output;
    LaunchSound sound(output);
    sound.holdOpening();
    EXPECT_TRUE(sound.initQT(16417));
    EXPECT_TRUE(sound.initQT(16401));  // the last one asked for is the one opened
    EXPECT_TRUE(output.opened.empty());
    sound.openHeld();
    sound.openHeld();  // once only
    EXPECT_EQ(output.opened, std::vector<int>{16401});
    sound.initQT(35);  // after start-up every opening goes through at once
    EXPECT_EQ(output.opened.back(), 35);

    LaunchSound playing(output);
    playing.holdOpening();
    playing.initQT(1);
    playing.audition(51, 90);  // playing before the opening opens first
    EXPECT_EQ(output.opened.back(), 1);
    EXPECT_EQ(output.auditions.size(), 1u);

    LaunchSound closing(output);
    closing.holdOpening();
    closing.initQT(2);
    closing.closeOutput();  // a closed output stays closed
    closing.openHeld();
    EXPECT_EQ(output.opened.back(), 1);
    closing.startClock();
    EXPECT_TRUE(closing.clockRunning());
    closing.pump();
    EXPECT_EQ(output.pumps, 1);
}

}  // namespace
}  // namespace pattaplex
