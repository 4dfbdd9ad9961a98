// The start-up sound: the first opening waits for the window, and nothing is lost.
#include <gtest/gtest.h>

#include "LaunchSound.h"
#include "WindowFixture.h"

namespace pattaplex {
namespace {

TEST(LaunchSound, OpeningDuringStartUpWaitsForTheWindow) {
    testing::FakeSound output;
    LaunchSound sound(output), playing(output), closing(output);
    for (LaunchSound* s : {&sound, &playing, &closing}) s->holdOpening();
    EXPECT_TRUE(sound.initQT(16417) && sound.initQT(16401));  // the last one asked is opened
    EXPECT_TRUE(output.opened.empty());
    sound.openHeld();
    sound.openHeld();  // once only
    sound.initQT(35);  // after start-up every opening goes through at once
    EXPECT_EQ(output.opened, (std::vector<int>{16401, 35}));

    playing.initQT(1);
    playing.audition(51, 90);  // playing before the opening opens first
    EXPECT_EQ(output.opened.back(), 1);
    EXPECT_EQ(output.auditions.size(), 1u);

    closing.initQT(2);
    closing.closeOutput();  // a closed output stays closed
    closing.openHeld();
    EXPECT_EQ(output.opened.back(), 1);
    closing.startClock();
    closing.pump();
    EXPECT_TRUE(closing.clockRunning());
    EXPECT_EQ(output.pumps, 1);
}

}  // namespace
}  // namespace pattaplex
