// The exported Standard MIDI File, read back with libsmf: tracks, events, times in
// ticks of 960 per beat, note lengths, channels, programs and the end of the track.

#include "midi_export.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace pattaplex {
namespace {

using test::MidiEvent;
using Events = std::vector<MidiEvent>;

constexpr int kOn = 0x99, kOff = 0x89;  // drum channel, index 9

GrooveState emptyGroove(int32_t sub, int32_t beats, int32_t bars, int32_t kit = 16417) {
    GrooveState s;
    s.SUB = sub, s.BEATS = beats, s.BARS = bars, s.TEMPO = 160, s.KIT = kit;
    for (int n = 1; n <= kRowCount; ++n)
        s.row(n).DR = 35 + n, s.row(n).DV = 90, s.row(n).VOL.fill(100);
    return s;
}

test::MidiFile exported(const GrooveState& s) {
    test::ScratchFolder folder;
    EXPECT_EQ(exportMidi(folder.path("Groove.mid"), s), std::nullopt);
    return test::readMidi(folder.path("Groove.mid"));
}

// The note track's events after its name and program change, ending with its end.
Events notesOf(const GrooveState& s) {
    const test::MidiFile f = exported(s);
    if (f.tracks.size() != 2 || f.tracks[1].size() < 3) return {};
    return {f.tracks[1].begin() + 2, f.tracks[1].end()};
}

MidiEvent endOfTrack(int tick) {
    return {tick, {0xFF, 0x2F, 0x00}};
}

TEST(MidiExport, AnEmptyGrooveGivesTheTempoTrackAndANamedNoteTrackEndingWithTheGroove) {
    const test::MidiFile f = exported(emptyGroove(2, 4, 2));
    EXPECT_EQ(f.format, 1);
    EXPECT_EQ(f.ticksPerBeat, 960);
    ASSERT_EQ(f.tracks.size(), 2u);
    // 60,000,000 / 160 = 375,000 microseconds per beat.
    EXPECT_EQ(f.tracks[0], (Events{{0, {0xFF, 0x51, 0x03, 0x05, 0xB8, 0xD8}}, endOfTrack(0)}));
    EXPECT_EQ(f.tracks[1], (Events{{0, {0xFF, 0x03, 5, 'D', 'r', 'u', 'm', 's'}},
                                   {0, {0xC9, 32}},
                                   endOfTrack(8 * 960)}));
}

TEST(MidiExport, StepsStartLastAndEndTheTrackByTheirSubdivision) {
    struct Case {
        int32_t sub, beats, bars;
        std::vector<int> steps, starts;
        int length, end;
    };
    const Case cases[] = {
        {2, 4, 2, {0, 1, 15}, {0, 480, 7200}, 480, 7680},
        // Thirds of a beat fall exactly on the grid; touching notes end before the next starts.
        {3, 4, 1, {0, 1, 2, 3, 11}, {0, 320, 640, 960, 3520}, 320, 3840},
        {4, 4, 3, {1, 47}, {240, 11280}, 240, 11520},
        // Other subdivisions start steps every half beat, past the groove's end if need be.
        {1, 4, 1, {0, 3}, {0, 1440}, 480, 3840},
        {5, 1, 1, {4}, {1920}, 480, 2400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "SUB " << c.sub);
        GrooveState s = emptyGroove(c.sub, c.beats, c.bars);
        Events expected;
        for (size_t k = 0; k < c.steps.size(); ++k) {
            s.row(1).BUF[c.steps[k]] = 1;
            s.row(1).VOL[c.steps[k]] = 20 + c.steps[k];
            expected.push_back({c.starts[k], {kOn, 36, 20 + c.steps[k]}});
            expected.push_back({c.starts[k] + c.length, {kOff, 36, 64}});
        }
        expected.push_back(endOfTrack(c.end));
        EXPECT_EQ(notesOf(s), expected);
    }
}

TEST(MidiExport, NotesOfOneStepFollowRowOrderAndEndsComeBeforeNewStartsOfTheSameKey) {
    GrooveState s = emptyGroove(2, 4, 1);
    s.row(1).DR = s.row(2).DR = 36;  // the same key in two rows
    s.row(5).DR = 50;
    for (int n : {1, 2, 5})
        for (int i : {0, 1}) s.row(n).BUF[i] = 1, s.row(n).VOL[i] = 10 * n + i;
    EXPECT_EQ(notesOf(s), (Events{{0, {kOn, 36, 10}},
                                  {0, {kOn, 36, 20}},
                                  {0, {kOn, 50, 50}},
                                  {480, {kOff, 36, 64}},
                                  {480, {kOff, 36, 64}},
                                  {480, {kOff, 50, 64}},
                                  {480, {kOn, 36, 11}},
                                  {480, {kOn, 36, 21}},
                                  {480, {kOn, 50, 51}},
                                  {960, {kOff, 36, 64}},
                                  {960, {kOff, 36, 64}},
                                  {960, {kOff, 50, 64}},
                                  endOfTrack(3840)}));
}

TEST(MidiExport, VelocitiesAndKeysStayValidEvenOnAMutedRow) {
    GrooveState s = emptyGroove(2, 4, 1);
    s.row(1).DV = 0;  // muted rows are exported too
    s.row(1).VOL[0] = 0, s.row(2).VOL[1] = 300, s.row(3).VOL[2] = 200, s.row(4).DR = 256 + 60;
    for (int n = 1; n <= 4; ++n) s.row(n).BUF[n - 1] = 1;
    Events starts;
    for (const MidiEvent& e : notesOf(s))
        if (e.second[0] == kOn) starts.push_back(e);
    EXPECT_EQ(starts, (Events{{0, {kOn, 36, 1}},
                              {480, {kOn, 37, 44}},
                              {960, {kOn, 38, 127}},
                              {1440, {kOn, 60, 100}}}));
}

TEST(MidiExport, KitsChooseTrackNameChannelAndProgram) {
    struct Case {
        int32_t kit;
        const char* name;
        int channel, program;
    };
    for (const Case& c :
         {Case{16417, "Drums", 9, 32}, Case{16441, "Drums", 9, 56}, Case{1001, "Drums", 9, 0},
          Case{109, "Piano", 0, 108}, Case{1, "Piano", 0, 0}, Case{INT32_MIN, "Piano", 0, 0},
          Case{INT32_MAX, "Drums", 9, 127}}) {
        SCOPED_TRACE(c.kit);
        GrooveState s = emptyGroove(2, 4, 1, c.kit);
        s.row(4).BUF[2] = 1;
        const test::MidiFile f = exported(s);
        ASSERT_EQ(f.tracks.size(), 2u);
        const std::vector<int>& name = f.tracks[1].at(0).second;
        EXPECT_EQ(std::string(name.begin() + 3, name.end()), c.name);
        EXPECT_EQ(Events(f.tracks[1].begin() + 1, f.tracks[1].end()),
                  (Events{{0, {0xC0 | c.channel, c.program}},
                          {960, {0x90 | c.channel, 39, 100}},
                          {1440, {0x80 | c.channel, 39, 64}},
                          endOfTrack(3840)}));
    }
}

TEST(MidiExport, AGrooveTheFileCannotCarryIsRefusedWithoutAFile) {
    GrooveState zeroTempo = emptyGroove(2, 4, 2), slowest = emptyGroove(2, 4, 2);
    zeroTempo.TEMPO = 0;
    slowest.TEMPO = 3;  // 20,000,000 microseconds a beat do not fit 24 bits
    for (const GrooveState& s :
         {zeroTempo, slowest, emptyGroove(2, 4, 0), emptyGroove(0, 4, 2), emptyGroove(4, 4, 6)}) {
        test::ScratchFolder folder;
        EXPECT_EQ(exportMidi(folder.path("x.mid"), s),
                  "There is a problem in creating a MIDI file.");
        EXPECT_TRUE(folder.entries().empty());
    }
    slowest.TEMPO = 4;  // 15,000,000, the slowest that fits
    EXPECT_EQ(exported(slowest).tracks.at(0).at(0).second,
              (std::vector<int>{0xFF, 0x51, 0x03, 0xE4, 0xE1, 0xC0}));
}

}  // namespace
}  // namespace pattaplex
