#pragma once
// Everything a key, a menu item or a button of the window does, by name. Keys reach
// commands through the key table (key_table.h); menus and buttons run them directly.

#include <cstdint>

namespace pattaplex {

enum class Command {
    // The grid's key commands (the key table).
    SelectRow,   // value: row 1..10
    ToggleMute,  // value: row 1..10
    NextSound,
    PreviousSound,
    LouderRow,
    SofterRow,
    ToggleInfiniteRandom,
    SaveDrumSet,
    OpenDrumSet,
    ExportMidi,
    RandomSteps,
    RandomAll,
    RandomVelocities,
    RandomStepsAndVelocities,
    RandomDrums,
    ToggleDarkGrid,
    PlayStop,
    PlayPause,
    FewerBars,
    MoreBars,
    ToggleVelocities,
    ClearGrid,
    UndoClear,
    Slower,
    Faster,
    Help,
    TapTempo,  // T: the tempo from the last taps
    // The window's buttons and menus.
    Play,        // the play button: stops or pauses as the last key said
    CleanBufs,   // the clear/undo/revert button
    SetVolumes,  // copy the selected row's volume into its steps
    Defaults,
    Previous,
    FixSound,
    Audition,  // value: row 1..10
    Preset,    // value: preset 1..12
    Random,    // value: mode 1..5
    Kit,       // value: the kit
    Bars,      // value: 1..6
    Beats,     // value: 1..9
    Division,  // value: steps per beat
    SaveGroove,
    SaveGrooveAs,
    OpenGroove,
    Quit,
    UndoEdit,  // the latest edit of any kind
    RedoEdit,
    ExportAudio,
};

// Modifier flags of a key press, as the key table tests them.
constexpr uint32_t kControlKey = 0x40000;
constexpr uint32_t kOptionKey = 0x80000;
constexpr uint32_t kCommandKey = 0x100000;

// Character codes of the keys without a printable character.
constexpr char32_t kUpArrow = 0xF700;
constexpr char32_t kDownArrow = 0xF701;
constexpr char32_t kLeftArrow = 0xF702;
constexpr char32_t kRightArrow = 0xF703;
constexpr char32_t kDeleteKey = 0x7F;

// What Option with a digit types, 1 .. 9 then 0: the mute keys of rows 1 .. 10.
constexpr char32_t kOptionDigits[10] = {0x00A1, 0x2122, 0x00A3, 0x00A2, 0x221E,
                                        0x00A7, 0x00B6, 0x2022, 0x00AA, 0x00BA};
constexpr char32_t kOptionS = 0x00DF;
constexpr char32_t kOptionO = 0x00F8;
constexpr char32_t kOptionR = 0x00AE;
constexpr char32_t kControlS = 0x0013;
constexpr char32_t kControlR = 0x0012;

struct KeyCommand {
    Command command;
    int value = 0;  // the row, for the row commands
};

}  // namespace pattaplex
