// The exported Standard MIDI File, read back with libsmf: tracks, events, times in
// ticks of 960 per beat, note lengths, channels, programs and the end of the track.

#include "midi_export.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace pattaplex {
namespace {

using test::MidiEvent;
using test::MidiFile;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t kOn = 0x99, kOff = 0x89;  // drum channel, index 9

GrooveState emptyGroove(int32_t sub, int32_t beats, int32_t bars, int32_t kit = 16417) {
    GrooveState s;
    s.SUB = sub;
    s.BEATS = beats;
    s.BARS = bars;
    s.TEMPO = 160;
    s.KIT = kit;
    for (int n = 1; n <= kRowCount; ++n) {
        s.row(n).DR = 35 + n;
        s.row(n).DV = 90;
        s.row(n).VOL.fill(100);
    }
    return s;
}

MidiFile exported(const GrooveState& s) {
    test::ScratchFolder folder;
    const std::string path = folder.path("Groove.mid");
    const std::optional<std::string> error = exportMidi(path, s);
    EXPECT_EQ(error, std::nullopt);
    return test::readMidi(path);
}

// The note track's events after its name and program change, ending with its end.
std::vector<MidiEvent> notesOf(const MidiFile& f) {
    if (f.tracks.size() != 2 || f.tracks[1].size() < 3) return {};
    return {f.tracks[1].begin() + 2, f.tracks[1].end()};
}

std::vector<int> ticksOf(const std::vector<MidiEvent>& events, uint8_t status) {
    std::vector<int> ticks;
    for (const MidiEvent& e : events)
        if (e.bytes[0] == status) ticks.push_back(e.tick);
    return ticks;
}

MidiEvent endOfTrack(int tick) {
    return {tick, {0xFF, 0x2F, 0x00}};
}

TEST(MidiExport, AnEmptyGrooveGivesTheTempoTrackAndANamedNoteTrackEndingWithTheGroove) {
    const MidiFile f = exported(emptyGroove(2, 4, 2));
    EXPECT_EQ(f.format, 1);
    EXPECT_EQ(f.ticksPerBeat, 960);
    ASSERT_EQ(f.tracks.size(), 2u);
    // 60,000,000 / 160 = 375,000 microseconds per beat.
    EXPECT_EQ(f.tracks[0],
              (std::vector<MidiEvent>{{0, {0xFF, 0x51, 0x03, 0x05, 0xB8, 0xD8}}, endOfTrack(0)}));
    EXPECT_EQ(f.tracks[1], (std::vector<MidiEvent>{{0, {0xFF, 0x03, 5, 'D', 'r', 'u', 'm', 's'}},
                                                   {0, {0xC9, 32}},
                                                   endOfTrack(8 * 960)}));
}

TEST(MidiExport, HalfBeatStepsStartEvery480TicksAndLast480) {
    GrooveState s = emptyGroove(2, 4, 2);
    s.row(1).BUF[0] = 36;
    s.row(1).VOL[0] = 77;
    s.row(3).BUF[15] = 1;
    s.row(3).VOL[15] = 127;
    EXPECT_EQ(notesOf(exported(s)), (std::vector<MidiEvent>{{0, {kOn, 36, 77}},
                                                            {480, {kOff, 36, 64}},
                                                            {7200, {kOn, 38, 127}},
                                                            {7680, {kOff, 38, 64}},
                                                            endOfTrack(7680)}));
}

TEST(MidiExport, ThirdBeatStepsFallExactlyOnTheTripletGrid) {
    GrooveState s = emptyGroove(3, 4, 1);
    for (int i = 0; i < 12; ++i) s.row(2).BUF[i] = 1;
    const std::vector<MidiEvent> events = notesOf(exported(s));
    // Step i starts at i thirds of a beat: 320 ticks each, step 3 on beat 2.
    std::vector<int> starts, ends;
    for (int i = 0; i < 12; ++i) starts.push_back(320 * i), ends.push_back(320 * (i + 1));
    EXPECT_EQ(ticksOf(events, kOn), starts);
    EXPECT_EQ(ticksOf(events, kOff), ends);
    EXPECT_EQ(events.back(), endOfTrack(3840));
}

TEST(MidiExport, ConsecutiveThirdBeatNotesTouchAcrossTheLongestRow) {
    GrooveState s = emptyGroove(3, 26, 1);  // 78 steps
    for (int i = 0; i < 78; ++i) s.row(1).BUF[i] = 1;
    const std::vector<MidiEvent> events = notesOf(exported(s));
    ASSERT_EQ(events.size(), 2u * 78 + 1);
    // After the first start the events alternate: the end of one note, the next start.
    for (size_t k = 1; k + 2 < events.size(); k += 2) {
        EXPECT_EQ(events[k].bytes[0], kOff);
        EXPECT_EQ(events[k + 1].bytes[0], kOn);
        EXPECT_EQ(events[k].tick, events[k + 1].tick);
    }
    EXPECT_EQ(events.back(), endOfTrack(26 * 960));
}

TEST(MidiExport, QuarterBeatStepsOfThreeBarsEndWithTheTwelfthBeat) {
    GrooveState s = emptyGroove(4, 4, 3);
    s.row(10).BUF[1] = 1;
    s.row(10).BUF[47] = 1;
    EXPECT_EQ(notesOf(exported(s)), (std::vector<MidiEvent>{{240, {kOn, 45, 100}},
                                                            {480, {kOff, 45, 64}},
                                                            {11280, {kOn, 45, 100}},
                                                            {11520, {kOff, 45, 64}},
                                                            endOfTrack(11520)}));
}

TEST(MidiExport, NotesOfOneStepFollowRowOrderAndEndsComeBeforeNewStartsOfTheSameKey) {
    GrooveState s = emptyGroove(2, 4, 1);
    s.row(1).DR = 36;
    s.row(2).DR = 36;  // the same key in two rows
    s.row(5).DR = 50;
    for (int n : {1, 2, 5})
        for (int i : {0, 1}) {
            s.row(n).BUF[i] = 1;
            s.row(n).VOL[i] = 10 * n + i;
        }
    EXPECT_EQ(notesOf(exported(s)), (std::vector<MidiEvent>{{0, {kOn, 36, 10}},
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

TEST(MidiExport, KitsChooseTrackNameChannelAndProgram) {
    struct Case {
        int32_t kit;
        const char* name;
        uint8_t channel, program;
    };
    for (const Case& c :
         {Case{16417, "Drums", 9, 32}, Case{16401, "Drums", 9, 16}, Case{16441, "Drums", 9, 56},
          Case{1001, "Drums", 9, 0}, Case{109, "Piano", 0, 108}, Case{1, "Piano", 0, 0},
          Case{1000, "Piano", 0, 127}, Case{INT32_MIN, "Piano", 0, 0},
          Case{INT32_MAX, "Drums", 9, 127}}) {
        SCOPED_TRACE(c.kit);
        GrooveState s = emptyGroove(2, 4, 1, c.kit);
        s.row(4).BUF[2] = 1;
        const MidiFile f = exported(s);
        ASSERT_EQ(f.tracks.size(), 2u);
        const std::vector<MidiEvent>& t = f.tracks[1];
        ASSERT_EQ(t.size(), 5u);
        EXPECT_EQ(std::string(t[0].bytes.begin() + 3, t[0].bytes.end()), c.name);
        EXPECT_EQ(t[1], (MidiEvent{0, {uint8_t(0xC0 | c.channel), c.program}}));
        EXPECT_EQ(t[2], (MidiEvent{960, {uint8_t(0x90 | c.channel), 39, 100}}));
        EXPECT_EQ(t[3], (MidiEvent{1440, {uint8_t(0x80 | c.channel), 39, 64}}));
    }
}

TEST(MidiExport, EveryActiveStepIsANoteWithAValidVelocityEvenOnAMutedRow) {
    GrooveState s = emptyGroove(2, 4, 1);
    s.row(1).DV = 0;  // muted rows are exported too
    s.row(1).BUF[0] = 1;
    s.row(1).VOL[0] = 0;
    s.row(2).BUF[1] = 1;
    s.row(2).VOL[1] = 300;  // low 8 bits: 44
    s.row(3).BUF[2] = 1;
    s.row(3).VOL[2] = 200;
    s.row(4).BUF[3] = 1;
    s.row(4).DR = 256 + 60;  // low 8 bits: 60
    EXPECT_EQ(ticksOf(notesOf(exported(s)), kOn), (std::vector<int>{0, 480, 960, 1440}));
    const std::vector<MidiEvent> events = notesOf(exported(s));
    EXPECT_EQ(events[0].bytes, (Bytes{kOn, 36, 1}));
    EXPECT_EQ(events[2].bytes, (Bytes{kOn, 37, 44}));
    EXPECT_EQ(events[4].bytes, (Bytes{kOn, 38, 127}));
    EXPECT_EQ(events[6].bytes, (Bytes{kOn, 60, 100}));
}

TEST(MidiExport, OtherSubdivisionsStartStepsEveryHalfBeat) {
    GrooveState s = emptyGroove(1, 4, 1);
    for (int i = 0; i < 4; ++i) s.row(1).BUF[i] = 1;
    std::vector<MidiEvent> events = notesOf(exported(s));
    EXPECT_EQ(ticksOf(events, kOn), (std::vector<int>{0, 480, 960, 1440}));
    EXPECT_EQ(events.back(), endOfTrack(3840));

    // Five steps a beat run past the groove's end; the track ends after the last note.
    s = emptyGroove(5, 1, 1);
    s.row(1).BUF[4] = 1;
    events = notesOf(exported(s));
    EXPECT_EQ(events, (std::vector<MidiEvent>{
                          {1920, {kOn, 36, 100}}, {2400, {kOff, 36, 64}}, endOfTrack(2400)}));
}

TEST(MidiExport, AGrooveTheFileCannotCarryIsRefusedWithoutAFile) {
    GrooveState zeroTempo = emptyGroove(2, 4, 2);
    zeroTempo.TEMPO = 0;
    GrooveState slowest = emptyGroove(2, 4, 2);
    slowest.TEMPO = 3;  // 20,000,000 microseconds a beat do not fit 24 bits
    for (const GrooveState& s : {zeroTempo, slowest, emptyGroove(2, 4, 0), emptyGroove(0, 4, 2),
                                 emptyGroove(4, 4, 6), emptyGroove(-2, -4, 2)}) {
        test::ScratchFolder folder;
        EXPECT_EQ(exportMidi(folder.path("x.mid"), s),
                  "There is a problem in creating a MIDI file.");
        EXPECT_TRUE(folder.entries().empty());
    }
    GrooveState slowestAccepted = emptyGroove(2, 4, 2);
    slowestAccepted.TEMPO = 4;
    EXPECT_EQ(exported(slowestAccepted).tracks.at(0).at(0).bytes,
              (Bytes{0xFF, 0x51, 0x03, 0xE4, 0xE1, 0xC0}));  // 15,000,000
}

}  // namespace
}  // namespace pattaplex
