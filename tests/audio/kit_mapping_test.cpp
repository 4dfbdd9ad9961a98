// KIT numbers to soundfont presets, and the note output's refusals and failures.

#include "kit_mapping.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "NoteOutput.h"
#include "names.h"

namespace pattaplex {
namespace {

TEST(KitMapping, MelodicInstrumentsAndDrumKitsFindTheirPresets) {
    // Kit, bank, program, channel.
    const std::array<int, 4> kMapped[] = {
        {1, 0, 0, 0},        {109, 0, 108, 0},    {128, 0, 127, 0},    {16385, 128, 0, 9},
        {16401, 128, 16, 9}, {16441, 128, 56, 9}, {16512, 128, 127, 9}};
    for (auto [kit, bank, program, channel] : kMapped) {
        const auto p = kitPreset(kit);
        ASSERT_TRUE(p) << kit;
        EXPECT_EQ(std::tie(p->bank, p->program, p->channel), std::tie(bank, program, channel));
    }
    for (int refused : {0, -3, 129, 1000, 1001, 16384, 16513, INT32_MAX})
        EXPECT_FALSE(kitPreset(refused)) << refused;
}

// The note output with no sound device, its diagnostics captured.
class NoteOutputTest : public testing::Test {
  protected:
    void SetUp() override {
        setenv("PATTAPLEX_AUDIO_DRIVER", "none", 1);
        unsetenv("PATTAPLEX_SOUNDFONT");
    }
    void TearDown() override {
        SetUp();
        std::fclose(out_);
        std::fclose(err_);
    }
    static std::string text(std::FILE* f) {
        std::string all(static_cast<size_t>(std::ftell(f)), '\0');
        std::rewind(f);
        all.resize(std::fread(all.data(), 1, all.size(), f));
        return all;
    }
    GrooveState s_;
    std::FILE* out_ = std::tmpfile();
    std::FILE* err_ = std::tmpfile();
};

TEST_F(NoteOutputTest, EveryNamedKitOpensAndARefusedOneClosesTheOutputAndHaltsTheClock) {
    NoteOutput output(s_, out_, err_);
    struct : ClockListener {
        void stepSounded(int) override {}
        void loopWrapping() override {}
        void soundStatusChanged(const std::string& text) override { status = text; }
        std::string status;
    } listener;
    output.setListener(&listener);
    for (const KitName& k : kKitNames) EXPECT_TRUE(output.initQT(k.kit)) << k.name;
    // 0, a program out of range, and a drum kit the soundfonts lack (the synthesizer
    // would quietly play its standard kit instead).
    for (int kit : {0, 129, 16484}) {
        ASSERT_TRUE(output.initQT(16417));
        EXPECT_EQ(listener.status, "");
        output.startClock();
        EXPECT_FALSE(output.initQT(kit)) << kit;
        EXPECT_FALSE(output.isOpen() || output.clockRunning()) << kit;
        // The status line says what the command-line render says.
        EXPECT_EQ(listener.status,
                  "No sound: the soundfonts have no instrument or kit " + std::to_string(kit));
    }
    EXPECT_EQ(text(out_) + text(err_), "");  // and nothing else
    EXPECT_TRUE(output.initQT(16417));
    output.startClock();
    EXPECT_TRUE(output.clockRunning());
    output.audition(37, 0);  // velocity 0: nothing to play
}

TEST_F(NoteOutputTest, WithoutSoundTheProgramSaysSoRunsSilentlyAndALaterOpenTriesAgain) {
    for (auto [variable, value] : {std::pair{"PATTAPLEX_SOUNDFONT", "/nonexistent/none.sf2"},
                                   {"PATTAPLEX_AUDIO_DRIVER", "no-such-driver"}}) {
        setenv(variable, value, 1);
        NoteOutput output(s_, out_, err_);
        output.startClock();
        EXPECT_FALSE(output.initQT(16417));
        EXPECT_EQ(text(out_), "open Comp error ");
        const std::string reason = text(err_);
        EXPECT_NE(reason.find(value), std::string::npos) << reason;
        EXPECT_EQ(std::count(reason.begin(), reason.end(), '\n'), 1) << reason;
        EXPECT_TRUE(output.clockRunning());  // keeps time without a device
        output.pump();
        output.audition(37, 90);
        SetUp();
        EXPECT_TRUE(output.initQT(16417));
        std::rewind(out_);
        std::rewind(err_);
    }
}

}  // namespace
}  // namespace pattaplex
