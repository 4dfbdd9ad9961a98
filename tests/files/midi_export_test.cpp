// The exported Standard MIDI File, read back with libsmf: tracks, events, times in
// ticks of 960 per beat, note lengths, channels, programs and the end of the track.

#include "midi_export.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace pattaplex {
namespace {

using Events = std::vector<test::MidiEvent>;

constexpr int kOn = 0x99, kOff = 0x89;  // drum channel, index 9
const test::MidiEvent kDrums{0, {0xFF, 0x03, 5, 'D', 'r', 'u', 'm', 's'}}, kJazz{0, {0xC9, 32}};

GrooveState emptyGroove(int32_t sub, int32_t beats, int32_t bars, int32_t kit = 16417) {
    GrooveState s;
    s.SUB = sub, s.BEATS = beats, s.BARS = bars, s.TEMPO = 160, s.KIT = kit;
    for (int n = 1; n <= kRowCount; ++n) s.row(n).DR = 35 + n, s.row(n).DV = 90;
    return s;
}

test::MidiFile exported(const GrooveState& s) {
    test::ScratchFolder folder;
    EXPECT_TRUE(exportMidi(folder.path("Groove.mid"), s));
    return test::readMidi(folder.path("Groove.mid"));
}

test::MidiEvent endOfTrack(int tick) {
    return {tick, {0xFF, 0x2F, 0x00}};
}

TEST(MidiExport, KitsChooseTrackNameChannelAndProgramAndAnEmptyGrooveEndsWithTheGroove) {
    struct Case {
        int32_t kit;
        int step;  // -1 for an empty groove
        std::string name;
        int channel, program;
    };
    for (const Case& c : {Case{16417, -1, "Drums", 9, 32}, Case{16441, 2, "Drums", 9, 56},
                          Case{INT32_MAX, 2, "Drums", 9, 127}, Case{109, 2, "Kalimba", 0, 108},
                          Case{1, 2, "Piano", 0, 0}, Case{INT32_MIN, 2, "Instrument", 0, 0}}) {
        SCOPED_TRACE(c.kit);
        GrooveState s = emptyGroove(2, 4, 2, c.kit);
        Events expected{{0, {0xFF, 0x03, static_cast<int>(c.name.size())}},
                        {0, {0xC0 | c.channel, c.program}}};
        expected[0].second.insert(expected[0].second.end(), c.name.begin(), c.name.end());
        if (c.step >= 0) {
            s.row(4).BUF[c.step] = 1, s.row(4).VOL[c.step] = 100;
            expected.push_back({960, {0x90 | c.channel, 39, 100}});
            expected.push_back({1440, {0x80 | c.channel, 39, 64}});
        }
        expected.push_back(endOfTrack(8 * 960));
        const test::MidiFile f = exported(s);
        EXPECT_EQ(f.format, 1);
        EXPECT_EQ(f.ticksPerBeat, 960);
        ASSERT_EQ(f.tracks.size(), 2u);
        // 60,000,000 / 160 = 375,000 microseconds per beat; 4/4 time.
        EXPECT_EQ(f.tracks[0], (Events{{0, {0xFF, 0x51, 0x03, 0x05, 0xB8, 0xD8}},
                                       {0, {0xFF, 0x58, 0x04, 4, 2, 24, 8}},
                                       endOfTrack(0)}));
        EXPECT_EQ(f.tracks[1], expected);
    }
}

TEST(MidiExport, StepsStartOnTheirShareOfTheBeatAndLastUntilTheNextForEverySubdivision) {
    struct Case {
        int32_t sub, beats, bars;
        std::vector<std::array<int, 3>> steps;  // step, start, end in ticks
        int end;
    };
    for (const Case& c : {
             Case{1, 4, 1, {{0, 0, 960}, {3, 2880, 3840}}, 3840},
             Case{2, 4, 2, {{0, 0, 480}, {1, 480, 960}, {15, 7200, 7680}}, 7680},
             // Thirds of a beat fall exactly on the grid.
             Case{3, 4, 1, {{1, 320, 640}, {3, 960, 1280}, {11, 3520, 3840}}, 3840},
             Case{4, 4, 3, {{1, 240, 480}, {47, 11280, 11520}}, 11520},
             Case{5, 3, 1, {{4, 768, 960}, {14, 2688, 2880}}, 2880},
             // 960 / 7 is no whole number: each step ends where the next one starts.
             Case{7, 1, 2, {{0, 0, 137}, {1, 137, 274}, {2, 274, 411}, {13, 1783, 1920}}, 1920},
         }) {
        SCOPED_TRACE(testing::Message() << "SUB " << c.sub);
        GrooveState s = emptyGroove(c.sub, c.beats, c.bars);
        Events expected{kDrums, kJazz};
        for (const auto& [step, start, end] : c.steps) {
            s.row(1).BUF[step] = 1;
            s.row(1).VOL[step] = 20 + step;
            expected.push_back({start, {kOn, 36, 20 + step}});
            expected.push_back({end, {kOff, 36, 64}});
        }
        expected.push_back(endOfTrack(c.end));
        const test::MidiFile f = exported(s);
        EXPECT_EQ(f.tracks.at(0).at(1).second,
                  (std::vector<int>{0xFF, 0x58, 4, c.beats, 2, 24, 8}));
        EXPECT_EQ(f.tracks.at(1), expected);
    }
}

TEST(MidiExport, OnlyStepsThatSoundGoInRowOrderWithValidBytesAndEndsBeforeNewStartsOfAKey) {
    GrooveState s = emptyGroove(2, 4, 1);
    s.row(1).DR = s.row(2).DR = 36;  // the same key in two rows
    s.row(5).DR = 256 + 50;          // out of range: only the low bits count
    s.row(6).DV = 0;                 // a muted row is silent
    // Steps 0 and 1 of rows 1, 2, 5 and 6; velocities 0 and below are silent.
    const int rows[] = {1, 2, 5, 6}, volumes[] = {0, 300, 50, 90, 11, 200, 51, 90};
    for (int k = 0; k < 8; ++k)
        s.row(rows[k % 4]).BUF[k / 4] = 1, s.row(rows[k % 4]).VOL[k / 4] = volumes[k];
    s.row(3).BUF[2] = 1, s.row(3).VOL[2] = -5;
    // Tick, status, key and velocity of each note event after the name and the program.
    std::string notes;
    const test::MidiFile f = exported(s);
    for (const auto& [tick, bytes] : f.tracks.at(1))
        if (bytes[0] == kOn || bytes[0] == kOff)
            notes += std::to_string(tick) + (bytes[0] == kOn ? " on " : " off ") +
                     std::to_string(bytes[1]) + " " + std::to_string(bytes[2]) + ", ";
    EXPECT_EQ(notes,
              "0 on 36 44, 0 on 50 50, 480 off 36 64, 480 off 50 64, "
              "480 on 36 11, 480 on 36 127, 480 on 50 51, 960 off 36 64, 960 off 36 64, "
              "960 off 50 64, ");
}

TEST(MidiExport, HitsAreSwungRepeatedAndLeftOutAsTheSeedsFirstPassPlaysThem) {
    GrooveState s = emptyGroove(2, 4, 1);
    s.TEMPO = 120, s.SWING = 66;
    s.row(1).BUF[1] = s.row(1).BUF[2] = 1;
    s.row(1).VOL[1] = 99, s.row(1).REP[1] = 2;
    s.row(1).VOL[2] = 40;
    // 66 %: step 1 starts 154 ticks late and its two hits share its 326 ticks; step 2
    // lasts 0.66 of the pair.
    const test::MidiFile f = exported(s);
    const Events expected{kDrums,
                          kJazz,
                          {634, {kOn, 36, 99}},
                          {797, {kOff, 36, 64}},
                          {797, {kOn, 36, 99}},
                          {960, {kOff, 36, 64}},
                          {960, {kOn, 36, 40}},
                          {1593, {kOff, 36, 64}},
                          endOfTrack(3840)};
    EXPECT_EQ(f.tracks.at(1), expected);

    // A step of chance 50 is in some seeds' first pass and not in others; a seed always
    // gives the same file.
    s.row(1).CHANCE[2] = 50;
    s.HUMMS = 20, s.HUMVEL = 20;
    test::ScratchFolder folder;
    int with = 0;
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        ASSERT_TRUE(exportMidi(folder.path("a.mid"), s, seed));
        ASSERT_TRUE(exportMidi(folder.path("b.mid"), s, seed));
        EXPECT_EQ(test::readBytes(folder.path("a.mid")), test::readBytes(folder.path("b.mid")));
        int notes = 0;
        const test::MidiFile file = test::readMidi(folder.path("a.mid"));
        for (const auto& [tick, bytes] : file.tracks.at(1)) {
            if (bytes[0] != kOn) continue;
            ++notes;
            EXPECT_TRUE(tick >= 0 && tick < 3840) << tick;
            EXPECT_TRUE(bytes[2] >= 20 && bytes[2] <= 119) << bytes[2];
        }
        EXPECT_TRUE(notes == 2 || notes == 3) << notes;
        with += notes == 3;
    }
    EXPECT_TRUE(with > 5 && with < 35) << with;
}

TEST(MidiExport, AGrooveTheFileCannotCarryIsRefusedWithoutAFile) {
    GrooveState zeroTempo = emptyGroove(2, 4, 2), slowest = emptyGroove(2, 4, 2);
    zeroTempo.TEMPO = 0;
    slowest.TEMPO = 3;  // 20,000,000 microseconds a beat do not fit 24 bits
    for (const GrooveState& s :
         {zeroTempo, slowest, emptyGroove(2, 4, 0), emptyGroove(0, 4, 2), emptyGroove(4, 4, 6)}) {
        test::ScratchFolder folder;
        EXPECT_EQ(exportMidi(folder.path("x.mid"), s).error(),
                  "There is a problem in creating a MIDI file.");
        EXPECT_TRUE(folder.entries().empty());
    }
}

}  // namespace
}  // namespace pattaplex
