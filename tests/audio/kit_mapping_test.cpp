// KIT numbers to soundfont presets, and the note output's refusals.

#include "kit_mapping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "NoteOutput.h"

namespace pattaplex {
namespace {

TEST(KitMapping, MelodicInstrumentsAndDrumKitsFindTheirPresets) {
    struct Case {
        int kit, bank, program, channel;
    };
    for (Case c : {Case{1, 0, 0, 0}, Case{109, 0, 108, 0}, Case{128, 0, 127, 0},
                   Case{16385, 128, 0, 9}, Case{16401, 128, 16, 9}, Case{16417, 128, 32, 9},
                   Case{16441, 128, 56, 9}, Case{16512, 128, 127, 9}}) {
        SCOPED_TRACE(c.kit);
        const auto p = kitPreset(c.kit);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->bank, c.bank);
        EXPECT_EQ(p->program, c.program);
        EXPECT_EQ(p->channel, c.channel);
    }
    for (int refused : {0, -3, 129, 1000, 1001, 16384, 16513, 2147483647}) {
        EXPECT_FALSE(kitPreset(refused)) << refused;
    }
}

// The note output with no sound device, its diagnostics captured.
class NoteOutputTest : public testing::Test {
  protected:
    void SetUp() override {
        setenv("PATTAPLEX_AUDIO_DRIVER", "none", 1);
        unsetenv("PATTAPLEX_SOUNDFONT");
        out_ = std::tmpfile();
        err_ = std::tmpfile();
        s_.BARS = 1;
        s_.BEATS = 4;
        s_.SUB = 1;
        s_.TEMPO = 120;
    }
    void TearDown() override {
        unsetenv("PATTAPLEX_SOUNDFONT");
        std::fclose(out_);
        std::fclose(err_);
    }
    static std::string contents(std::FILE* f) {
        std::fflush(f);
        std::rewind(f);
        std::string text;
        for (int c; (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
        return text;
    }

    GrooveState s_;
    std::FILE* out_ = nullptr;
    std::FILE* err_ = nullptr;
};

TEST_F(NoteOutputTest, EveryNamedKitAndInstrumentOpens) {
    NoteOutput output(s_, out_, err_);
    for (int kit :
         {1, 5, 11, 13, 20, 35, 48, 54, 109, 115, 118, 16401, 16409, 16410, 16417, 16433, 16441}) {
        EXPECT_TRUE(output.initQT(kit)) << kit;
        EXPECT_TRUE(output.isOpen()) << kit;
    }
    EXPECT_EQ(contents(out_), "");
    EXPECT_EQ(contents(err_), "");
}

TEST_F(NoteOutputTest, ARefusedKitClosesTheOutputAndHaltsTheClock) {
    NoteOutput output(s_, out_, err_);
    // 0, a program out of range, and a drum kit the soundfonts do not have.
    for (int kit : {0, 129, 16484}) {
        ASSERT_TRUE(output.initQT(16417));
        output.startClock();
        ASSERT_TRUE(output.clockRunning());
        EXPECT_FALSE(output.initQT(kit)) << kit;
        EXPECT_FALSE(output.isOpen()) << kit;
        EXPECT_FALSE(output.clockRunning()) << kit;
    }
    // Nothing is shown for a refusal, and the next start plays again.
    EXPECT_EQ(contents(out_), "");
    EXPECT_EQ(contents(err_), "");
    EXPECT_TRUE(output.initQT(16417));
    output.startClock();
    EXPECT_TRUE(output.clockRunning());
    output.audition(37, 0);  // velocity 0: nothing to play
    output.audition(37, 90);
}

TEST_F(NoteOutputTest, AKitOnlyAnotherSoundfontHasIsRefused) {
    // The SFX kit lives in the GS soundfont only.
    setenv("PATTAPLEX_SOUNDFONT", "/usr/share/sounds/sf2/FluidR3_GM.sf2", 1);
    NoteOutput output(s_, out_, err_);
    EXPECT_TRUE(output.initQT(16417));
    EXPECT_FALSE(output.initQT(16441));
}

TEST_F(NoteOutputTest, WithoutSoundTheProgramSaysSoAndRunsSilently) {
    setenv("PATTAPLEX_SOUNDFONT", "/nonexistent/none.sf2", 1);
    NoteOutput output(s_, out_, err_);
    output.startClock();
    EXPECT_FALSE(output.initQT(16417));
    EXPECT_EQ(contents(out_), "open Comp error ");
    const std::string reason = contents(err_);
    EXPECT_NE(reason.find("/nonexistent/none.sf2"), std::string::npos) << reason;
    EXPECT_EQ(std::count(reason.begin(), reason.end(), '\n'), 1) << reason;
    EXPECT_TRUE(output.clockRunning());  // keeps time without a device
    output.pump();
    output.audition(37, 90);
    // Once the soundfont is there, the next open succeeds.
    unsetenv("PATTAPLEX_SOUNDFONT");
    EXPECT_TRUE(output.initQT(16417));
}

TEST_F(NoteOutputTest, NoDeviceDriverSaysSoAndALaterOpenTriesAgain) {
    setenv("PATTAPLEX_AUDIO_DRIVER", "no-such-driver", 1);
    NoteOutput output(s_, out_, err_);
    EXPECT_FALSE(output.initQT(16417));
    EXPECT_FALSE(output.initQT(16417));
    EXPECT_EQ(contents(out_), "open Comp error open Comp error ");
    EXPECT_NE(contents(err_).find("no-such-driver"), std::string::npos);
    setenv("PATTAPLEX_AUDIO_DRIVER", "none", 1);
    EXPECT_TRUE(output.initQT(16417));
}

}  // namespace
}  // namespace pattaplex
