#pragma once
// The one program-wide record of the groove being edited and played.

#include <array>
#include <cstdint>
#include <string>

namespace pattaplex {

constexpr int kRowCount = 10;       // drum rows, numbered 1 (top) to 10
constexpr int kBufferSize = 80;     // entries in every step, velocity and undo buffer
constexpr int kWorkedSteps = 64;    // entries the velocity, clear and undo routines touch
constexpr int kMaxShownSteps = 54;  // the drawing pass caps the grid at this many steps
constexpr int kSlowestTempo = 40;   // the tempo controls' range, in beats per minute
constexpr int kFastestTempo = 240;

// The groove's feel: swing of each pair of steps, hits per step, the chance a step sounds
// at each pass, and the random spread of every hit's time and velocity.
constexpr int32_t kStraightSwing = 50;  // percent of a pair the first step takes
constexpr int32_t kMostSwing = 75;
constexpr int32_t kMostRepeats = 4;
constexpr int32_t kSurely = 100;  // chance, in percent
constexpr std::array<int32_t, 4> kChances{100, 75, 50, 25};
constexpr int32_t kMostHumaniseMs = 20;
constexpr int32_t kMostHumaniseVelocity = 20;

// A step buffer with every entry `value`.
constexpr std::array<int32_t, kBufferSize> filledSteps(int32_t value) {
    std::array<int32_t, kBufferSize> steps{};
    steps.fill(value);
    return steps;
}

struct DrumRow {
    int32_t DR = 0;                           // note number the row plays
    int32_t DV = 0;                           // row volume, 0 = muted ("Off")
    std::array<int32_t, kBufferSize> BUF{};   // step buffer: 0 = off, anything else = on
    std::array<int32_t, kBufferSize> VOL{};   // per-step velocity
    std::array<int32_t, kBufferSize> undo{};  // copy of BUF taken at the last clear
    std::array<int32_t, kBufferSize> REP = filledSteps(1);           // hits per step, 1..4
    std::array<int32_t, kBufferSize> CHANCE = filledSteps(kSurely);  // percent: 100/75/50/25
    int32_t oldD = 0;                                                // previous note number
    int32_t oldV = 0;  // previous volume: the last audible one

    // Keeps `volume` as the one a mute brings back, unless it is silent: a muted row
    // must always have a volume to return to.
    void rememberVolume(int32_t volume) {
        if (volume > 0) oldV = volume;
    }

    friend bool operator==(const DrumRow&, const DrumRow&) = default;
};

struct GrooveState {
    std::array<DrumRow, kRowCount> rows{};  // rows[0] is row 1

    // Grid, tempo and sound.
    int32_t BARS = 0;
    int32_t BEATS = 0;
    int32_t SUB = 0;
    int32_t LNG = 0;   // steps shown by the last drawing pass
    int32_t left = 0;  // x of the grid's left edge in the last drawing pass
    int32_t TEMPO = 0;
    int32_t KIT = 0;
    int32_t oldKIT = 0;
    int32_t SWING = kStraightSwing;  // 50..75; only 2 and 4 steps per beat swing
    int32_t HUMMS = 0;               // humanise: each hit's time moves up to this many ms
    int32_t HUMVEL = 0;              // and its velocity up to this much either way

    // Selection, cursors and playback.
    int32_t DEMO = 0;  // selected row 1..10, 0 = none
    int32_t DRC = 0;   // sound cursor of the left/right arrow keys, 0..49
    int32_t DRV = 0;   // volume cursor of the up/down arrow keys, 0..127
    int32_t LOOP = 0;  // next step to play
    int32_t key = 0;   // character code of the last key typed in the grid
    float ptX = 0.0f;  // position of the last click
    float ptY = 0.0f;
    int32_t G = 0;  // step column of the last click

    // Mode flags.
    int32_t dataTOG = 0;
    int32_t randTOG = 0;
    int32_t INF = 0;
    int32_t undoTOG = 0;
    int32_t colTOG = 0;
    int32_t velTOG = 0;
    int32_t GRID = 0;
    int32_t PRE = 0;
    int32_t saveSET = 0;
    int32_t exportMIDI = 0;

    std::string lastFile = "Groove";  // name proposed for the next groove file

    // Row n, counted from 1 as the user sees it.
    DrumRow& row(int n) { return rows[static_cast<size_t>(n - 1)]; }
    const DrumRow& row(int n) const { return rows[static_cast<size_t>(n - 1)]; }
    bool isRowNumber(int n) const { return n >= 1 && n <= kRowCount; }
    bool isDrumKit() const { return KIT > 1000; }

    friend bool operator==(const GrooveState&, const GrooveState&) = default;
};

// The bars the drawing pass leaves: lowered until the grid holds at most 54 steps.
int32_t cappedBars(int32_t bars, int32_t beats, int32_t sub);

// Steps per row as the grid is shown: the capped bars times beats times steps per beat,
// or 0 when any of them is not positive.
int stepCount(const GrooveState& s);

// Whether swing changes anything with `sub` steps per beat: only 2 and 4 make pairs.
constexpr bool swingApplies(int32_t sub) {
    return sub == 2 || sub == 4;
}
bool isChance(int32_t percent);

// Every step back to one hit that always sounds.
void resetStepFeel(GrooveState& s);

}  // namespace pattaplex
