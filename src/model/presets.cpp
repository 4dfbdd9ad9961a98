#include "presets.h"

#include <array>
#include <span>
#include <vector>

#include "clear_undo.h"
#include "defaults.h"
#include "names.h"

namespace pattaplex {

namespace {

// Step patterns of the drum grooves: four blocks of L entries, one block per row.
// "Jazz 4/4": 24 steps, blocks to rows 1, 2, 3, 6
constexpr std::array<int32_t, 96> SOUL{
    40, 0, 0, 40, 0, 0,  50, 0, 0, 40, 0, 40, 50, 0, 0, 40, 0, 0,  40, 0, 50, 40, 0, 40,
    0,  0, 0, 70, 0, 0,  0,  0, 0, 70, 0, 0,  0,  0, 0, 70, 0, 0,  0,  0, 0,  70, 0, 0,
    0,  0, 0, 0,  0, 0,  0,  0, 0, 70, 0, 0,  0,  0, 0, 0,  0, 0,  0,  0, 0,  70, 0, 0,
    0,  0, 0, 60, 0, 70, 0,  0, 0, 0,  0, 0,  0,  0, 0, 60, 0, 70, 0,  0, 0,  0,  0, 0,
};

// "Jazz 3/4": 18 steps, blocks to rows 1, 2, 3, 8
constexpr std::array<int32_t, 72> JAZZ3{
    50, 0, 0, 40, 0, 50, 60, 0, 0, 40, 50, 0, 40, 0,  50, 40, 0, 40, 0, 0, 0, 70, 0,  0,
    0,  0, 0, 0,  0, 0,  70, 0, 0, 0,  60, 0, 0,  50, 0,  0,  0, 0,  0, 0, 0, 0,  50, 0,
    0,  0, 0, 0,  0, 0,  40, 0, 0, 0,  0,  0, 0,  0,  40, 40, 0, 0,  0, 0, 0, 40, 0,  0,
};

// "Funk": 32 steps, blocks to rows 1, 3, 2, 8
constexpr std::array<int32_t, 128> FUNK1{
    50, 60, 70, 0, 0,  0,  70, 0,  50, 70, 0,  0, 0, 0, 60, 0, 50, 60, 70, 0,  0, 0, 50, 0,  40, 0,
    50, 0,  70, 0, 50, 0,  70, 70, 0,  0,  70, 0, 0, 0, 70, 0, 0,  0,  50, 70, 0, 0, 70, 0,  0,  0,
    70, 0,  0,  0, 70, 70, 0,  0,  70, 0,  0,  0, 0, 0, 0,  0, 70, 0,  0,  0,  0, 0, 0,  0,  70, 0,
    0,  0,  0,  0, 0,  0,  70, 0,  0,  0,  0,  0, 0, 0, 70, 0, 0,  0,  70, 0,  0, 0, 0,  0,  70, 0,
    70, 0,  0,  0, 0,  0,  0,  50, 70, 70, 0,  0, 0, 0, 50, 0, 70, 0,  0,  0,  0, 0, 0,  50,
};

// "JazzBossa": 16 steps, blocks to rows 1, 2, 3, 8
constexpr std::array<int32_t, 64> BOSSA{
    60, 50, 60, 70, 0,  40, 50, 60, 50, 60, 0,  40, 50, 50, 60, 50, 0,  50, 70, 0,  0,  0,
    70, 0,  0,  50, 70, 0,  0,  0,  70, 0,  50, 0,  0,  60, 0,  0,  70, 0,  0,  0,  50, 0,
    0,  70, 0,  0,  60, 0,  0,  0,  0,  0,  0,  40, 60, 0,  0,  50, 0,  0,  0,  40,
};

// "Salsa": 16 steps, blocks to rows 1, 4, 2, 8
constexpr std::array<int32_t, 64> SALSA{
    50, 40, 40, 60, 0,  40, 0,  50, 60, 40, 40, 50, 0,  40, 0, 40, 50, 0,  0,  50, 60, 0,
    0,  0,  50, 0,  0,  50, 0,  0,  60, 0,  50, 0,  0,  40, 0, 0,  50, 0,  0,  0,  50, 0,
    0,  50, 0,  0,  30, 0,  40, 0,  30, 40, 0,  40, 40, 0,  0, 40, 30, 40, 50, 0,
};

// "Latin 3/4": 12 steps, blocks to rows 1, 2, 3, 8
constexpr std::array<int32_t, 48> LATIN3{
    50, 60, 0, 70, 0, 50, 50, 60, 0, 70, 0, 70, 0,  0, 60, 0, 70, 0,  0,  0, 60, 0, 70, 0,
    0,  60, 0, 60, 0, 0,  0,  60, 0, 60, 0, 0,  70, 0, 0,  0, 0,  60, 70, 0, 0,  0, 0,  60,
};

// "Latin 5/4": 20 steps, blocks to rows 1, 2, 3, 8
constexpr std::array<int32_t, 80> LATIN5{
    30, 0,  20, 0,  30, 40, 0,  50, 0,  40, 30, 0,  0, 50, 50, 60, 0,  60, 0,  40,
    20, 30, 0,  20, 0,  50, 0,  0,  60, 0,  0,  30, 0, 20, 0,  50, 0,  0,  60, 0,
    30, 0,  0,  60, 0,  0,  60, 0,  60, 0,  30, 0,  0, 60, 0,  0,  60, 0,  60, 0,
    60, 0,  0,  40, 50, 0,  40, 0,  50, 0,  60, 0,  0, 40, 30, 50, 40, 0,  50, 0,
};

// "ECM": 32 steps, blocks to rows 1, 2, 3, 8
constexpr std::array<int32_t, 128> ECM{
    50, 0,  40, 64, 60, 0,  50, 0,  50, 64, 70, 0,  50, 0,  40, 50, 40, 50, 0, 40, 60, 0,
    40, 40, 50, 0,  60, 40, 50, 0,  40, 50, 0,  0,  0,  70, 0,  0,  0,  0,  0, 0,  0,  0,
    0,  0,  0,  0,  0,  0,  0,  70, 0,  0,  0,  70, 0,  0,  0,  0,  0,  0,  0, 0,  0,  70,
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  70, 0,  0,  0, 0,  0,  0,
    0,  0,  0,  0,  0,  0,  0,  0,  40, 0,  0,  0,  0,  50, 0,  0,  0,  0,  0, 0,  0,  50,
    0,  40, 50, 0,  0,  0,  0,  60, 0,  0,  0,  0,  0,  0,  0,  40, 0,  0,
};

struct NoteSetting {
    int row;
    int32_t note;
};
struct VolumeSetting {
    int row;
    int32_t volume;
};

struct DrumPreset {
    const char* name;
    int32_t bars, beats, sub, tempo, kit;
    bool clearsTwice;
    std::span<const int32_t> pattern;
    std::array<int, 4> blockRows;
    std::vector<NoteSetting> notes;
    std::vector<VolumeSetting> volumes;
};

const std::array<DrumPreset, 8>& drumPresets() {
    static const std::array<DrumPreset, 8> presets{{
        {"Jazz 4/4",
         2,
         4,
         3,
         100,
         16417,
         false,
         SOUL,
         {1, 2, 3, 6},
         {{1, 51}, {2, 42}, {3, 37}, {6, 63}},
         {{1, 80}}},
        {"Jazz 3/4",
         2,
         3,
         3,
         100,
         16417,
         false,
         JAZZ3,
         {1, 2, 3, 8},
         {{1, 51}, {2, 42}, {3, 37}, {4, 36}, {8, 36}},
         {{1, 60}}},
        {"Funk",
         2,
         4,
         4,
         80,
         16401,
         true,
         FUNK1,
         {1, 3, 2, 8},
         {{1, 42}, {2, 38}, {3, 54}, {6, 35}, {8, 36}},
         {{8, 90}}},
        {"JazzBossa",
         2,
         4,
         2,
         160,
         16417,
         true,
         BOSSA,
         {1, 2, 3, 8},
         {{1, 82}, {2, 69}, {3, 37}, {8, 36}},
         {}},
        {"Salsa",
         2,
         4,
         2,
         160,
         16417,
         true,
         SALSA,
         {1, 4, 2, 8},
         {{1, 82}, {2, 37}, {4, 67}, {8, 36}},
         {}},
        {"Latin 3/4",
         2,
         3,
         2,
         130,
         16417,
         true,
         LATIN3,
         {1, 2, 3, 8},
         {{1, 53}, {2, 37}, {3, 44}, {8, 36}},
         {{1, 60}, {8, 100}}},
        {"Latin 5/4",
         2,
         5,
         2,
         160,
         16417,
         true,
         LATIN5,
         {1, 2, 3, 8},
         {{1, 53}, {2, 63}, {3, 56}, {8, 36}},
         {{2, 100}, {3, 70}}},
        {"ECM",
         2,
         4,
         4,
         100,
         16417,
         false,
         ECM,
         {1, 2, 3, 8},
         {{1, 59}, {2, 42}, {3, 75}, {8, 36}},
         {{1, 90}, {3, 100}}},
    }};
    return presets;
}

struct MelodicPreset {
    const char* name;
    int32_t kit;
    std::array<int32_t, kRowCount> notes;
};

constexpr std::array<MelodicPreset, 3> kMelodicPresets{{
    {"Pentatonic", 109, {60, 63, 65, 67, 70, 72, 36, 43, 58, 60}},
    {"Sus 2", 5, {60, 62, 67, 72, 74, 79, 36, 43, 60, 62}},
    {"Minor 11", 1, {56, 58, 63, 67, 65, 70, 41, 48, 55, 77}},
}};

constexpr const char* kClickTrackName = "Click Track";

void loadDrumPreset(GrooveState& s, const DrumPreset& p) {
    s.BARS = p.bars;
    s.BEATS = p.beats;
    s.SUB = p.sub;
    if (p.clearsTwice) clearBufs(s);
    s.KIT = p.kit;
    for (const NoteSetting& n : p.notes) s.row(n.row).DR = n.note;
    for (const VolumeSetting& v : p.volumes) s.row(v.row).DV = v.volume;
    const size_t length = p.pattern.size() / 4;
    for (size_t b = 0; b < 4; ++b)
        for (size_t k = 0; k < length; ++k)
            s.row(p.blockRows[b]).BUF[k] = p.pattern[b * length + k];
    s.TEMPO = p.tempo;
}

void loadClickTrack(GrooveState& s) {
    s.SUB = 2;
    s.BEATS = 4;
    s.BARS = 1;
    s.row(1).DR = 56;
    s.row(2).DR = 37;
    s.KIT = kDefaultKit;
    s.TEMPO = 120;
    s.row(1).BUF[0] = 1;
    for (int step : {2, 4, 6}) s.row(2).BUF[step] = 1;
}

void loadMelodicPreset(GrooveState& s, const MelodicPreset& p, const SecondsClock& clock) {
    s.SUB = 2;
    s.BEATS = 4;
    s.BARS = 2;
    s.TEMPO = 160;
    s.KIT = p.kit;
    for (int n = 1; n <= kRowCount; ++n) s.row(n).DR = p.notes[static_cast<size_t>(n - 1)];
    s.randTOG = 4;
    // The fill lands in the preset's own grid, not in the one drawn before it; the next
    // drawing pass shows this many steps.
    s.LNG = stepCount(s);
    randomize(s, clock);
}

}  // namespace

std::optional<std::string> presetName(int tag) {
    if (tag >= 1 && tag <= 8) return drumPresets()[static_cast<size_t>(tag - 1)].name;
    if (tag == 9) return kClickTrackName;
    if (tag >= 10 && tag <= 12) return kMelodicPresets[static_cast<size_t>(tag - 10)].name;
    return std::nullopt;
}

PresetOutcome doPreset(GrooveState& s, int tag, const SecondsClock& clock) {
    PresetOutcome outcome;
    s.PRE = tag;
    clearBufs(s);
    resetStepFeel(s);  // a preset's hits are plain; swing and humanise stay the user's
    s.dataTOG = 1;
    if (tag >= 1 && tag <= 8) {
        loadDrumPreset(s, drumPresets()[static_cast<size_t>(tag - 1)]);
    } else if (tag == 9) {
        loadClickTrack(s);
    } else if (tag >= 10 && tag <= 12) {
        const MelodicPreset& p = kMelodicPresets[static_cast<size_t>(tag - 10)];
        // The name and kit button are set before the random fill, as the groove loads.
        outcome.kitTitle = kitName(p.kit);
        loadMelodicPreset(s, p, clock);
    }
    outcome.name = presetName(tag);
    if (outcome.name) s.lastFile = *outcome.name;
    setVOL(s);
    return outcome;
}

}  // namespace pattaplex
