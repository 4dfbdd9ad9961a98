#include "key_table.h"

#include <string_view>
#include <utility>

#include "GrooveState.h"

namespace pattaplex {

namespace {

using G = KeyGroup;
using C = Command;

KeyEntry gridKey(G group, const char* label, const char* title, Command command, char32_t character,
                 uint32_t needsAnyOf = 0) {
    const bool alt = std::string_view(label).starts_with("Alt+");
    return {group, label, title, command, 0, character, needsAnyOf, alt};
}

KeyEntry windowKey(G group, const char* label, const char* title,
                   std::optional<Command> command = std::nullopt) {
    return {group, label, title, command};
}

// The digits 1 .. 9 then 0 choose rows 1 .. 10; with Alt they mute them.
constexpr const char* kDigitLabels[kRowCount] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"};
constexpr const char* kAltDigitLabels[kRowCount] = {"Alt+1", "Alt+2", "Alt+3", "Alt+4", "Alt+5",
                                                    "Alt+6", "Alt+7", "Alt+8", "Alt+9", "Alt+0"};

std::vector<KeyEntry> buildTable() {
    std::vector<KeyEntry> t = {
        gridKey(G::Playing, "Space", "Play/Stop", C::PlayStop, U' '),
        gridKey(G::Playing, "P", "Play/Pause", C::PlayPause, U'p'),
        gridKey(G::Playing, "[", "Fewer Bars", C::FewerBars, U'['),
        gridKey(G::Playing, "]", "More Bars", C::MoreBars, U']'),
        gridKey(G::Playing, ",", "Slower", C::Slower, U','),
        gridKey(G::Playing, ".", "Faster", C::Faster, U'.'),
        gridKey(G::Playing, "T", "Tap Tempo", C::TapTempo, U't'),
        gridKey(G::Grid, "Backspace", "Clear Grid", C::ClearGrid, kDeleteKey),
        gridKey(G::Grid, "Delete", "Clear Grid", C::ClearGrid, kDeleteKey),
        gridKey(G::Grid, "U", "Undo Clear", C::UndoClear, U'u'),
        gridKey(G::Grid, "V", "Show Velocities On/Off", C::ToggleVelocities, U'v'),
        gridKey(G::Grid, "C", "Dark Grid On/Off", C::ToggleDarkGrid, U'c'),
        gridKey(G::Random, "R", "Random Steps", C::RandomSteps, U'r'),
        gridKey(G::Random, "Alt+R", "Random Velocity", C::RandomVelocities, kOptionR),
        gridKey(G::Random, "Ctrl+R", "Random Steps and Velocity", C::RandomStepsAndVelocities,
                kControlR),
        gridKey(G::Random, "D", "Random Drums", C::RandomDrums, U'd'),
        gridKey(G::Random, "A", "All Random", C::RandomAll, U'a'),
        gridKey(G::Random, "I", "Infinite Random On/Off", C::ToggleInfiniteRandom, U'i'),
    };
    for (int row = 1; row <= kRowCount; ++row) {
        KeyEntry select = gridKey(G::Rows, kDigitLabels[row - 1], "Select Row", C::SelectRow,
                                  U'0' + char32_t(row % 10));
        select.title += " " + std::to_string(row);
        select.value = row;
        t.push_back(std::move(select));
    }
    for (int row = 1; row <= kRowCount; ++row) {
        KeyEntry mute = gridKey(G::Rows, kAltDigitLabels[row - 1], "Mute / Unmute Row",
                                C::ToggleMute, kOptionDigits[row - 1]);
        mute.title += " " + std::to_string(row);
        mute.value = row;
        t.push_back(std::move(mute));
    }
    const std::vector<KeyEntry> rest = {
        gridKey(G::Rows, "Right", "Next Sound for Row", C::NextSound, kRightArrow),
        gridKey(G::Rows, "Left", "Previous Sound for Row", C::PreviousSound, kLeftArrow),
        gridKey(G::Rows, "Up", "Louder Row", C::LouderRow, kUpArrow),
        gridKey(G::Rows, "Down", "Softer Row", C::SofterRow, kDownArrow),
        windowKey(G::Files, "Ctrl+O", "Open Groove…", C::OpenGroove),
        windowKey(G::Files, "Ctrl+S", "Save Groove", C::SaveGroove),
        windowKey(G::Files, "Ctrl+Shift+S", "Save Groove As…", C::SaveGrooveAs),
        // The drum-set keys are the grid's; some layouts type their characters without Alt.
        gridKey(G::Files, "Alt+O", "Open Drum Set…", C::OpenDrumSet, kOptionO),
        gridKey(G::Files, "Alt+S", "Save Drum Set…", C::SaveDrumSet, kOptionS,
                kOptionKey | kControlKey | kCommandKey),
        windowKey(G::Files, "Ctrl+E", "Export MIDI…", C::ExportMidi),
        gridKey(G::Files, "Meta+S", "Export MIDI…", C::ExportMidi, kControlS),
        windowKey(G::Files, "Ctrl+Shift+E", "Export Audio…", C::ExportAudio),
        windowKey(G::Files, "Ctrl+Q", "Quit", C::Quit),
        windowKey(G::Edit, "Ctrl+Z", "Undo the last edit", C::UndoEdit),
        windowKey(G::Edit, "Ctrl+Shift+Z", "Redo", C::RedoEdit),
        windowKey(G::Edit, "Ctrl+Y", "Redo", C::RedoEdit),
        gridKey(G::Window, "/", "Keyboard Help…", C::Help, U'/'),
        gridKey(G::Window, "?", "Keyboard Help…", C::Help, U'?'),
        windowKey(G::Window, "F10", "Open the menu bar"),
        windowKey(G::Window, "Tab", "Next control"),
        windowKey(G::Window, "Shift+Tab", "Previous control"),
    };
    t.insert(t.end(), rest.begin(), rest.end());
    return t;
}

bool runs(const KeyEntry& k, Command command, int value) {
    return k.command == command && (k.value == 0 || k.value == value);
}

// The help sheet's heading of each section.
const char* heading(KeyGroup group) {
    switch (group) {
        case G::Playing:
            return "Playing";
        case G::Grid:
            return "The grid";
        case G::Random:
            return "Randomising";
        case G::Rows:
            return "Rows (the selected row, or the row of the key)";
        case G::Files:
            return "Files";
        case G::Edit:
            return "Undo and redo";
        case G::Window:
            return "The window";
    }
    return "";
}

constexpr const char* kHelpColumns = "      ·      ";

// Each command with its keys joined ("Ctrl+Shift+Z, Ctrl+Y   Redo"), two to a line; the
// row keys as one entry for selecting and one for muting.
std::string buildHelp() {
    std::string text =
        "Click a box of the grid to switch a step on, click it again to switch it off; drag to "
        "paint a row. Click a row's button to hear it and select it for the row keys.\n"
        "The keys work while the grid has the keyboard; the menus list them too.";
    const std::vector<KeyEntry>& table = keyTable();
    bool lineFull = true;  // two commands to a line, so the sheet fits a small screen
    for (size_t i = 0; i < table.size();) {
        const KeyEntry& k = table[i];
        if (i == 0 || table[i - 1].group != k.group) {
            text += std::string("\n\n") + heading(k.group) + ":";
            lineFull = true;
        }
        size_t end = i + 1;
        while (end < table.size() && k.command && table[end].command == k.command &&
               table[end].group == k.group)
            ++end;
        std::string keys = k.label;
        std::string title = k.title;
        if (k.value != 0) {
            keys += std::string(" … ") + table[end - 1].label;
            title = title.substr(0, title.rfind(' ')) + " 1 … 10";
        } else {
            for (size_t j = i + 1; j < end; ++j) keys += std::string(", ") + table[j].label;
        }
        text += (lineFull ? "\n" : std::string(kHelpColumns)) + keys + "   " + title;
        lineFull = !lineFull;
        i = end;
    }
    return text;
}

}  // namespace

const std::vector<KeyEntry>& keyTable() {
    static const std::vector<KeyEntry> table = buildTable();
    return table;
}

std::vector<std::string> keyLabels(Command command, int value) {
    std::vector<std::string> labels;
    for (const KeyEntry& k : keyTable())
        if (runs(k, command, value)) labels.emplace_back(k.label);
    return labels;
}

std::optional<KeyCommand> commandForKey(char32_t c, uint32_t modifiers) {
    const bool alt = (modifiers & kOptionKey) != 0;
    for (const KeyEntry& k : keyTable()) {
        if (k.character != c || !k.command) continue;
        if (k.needsAnyOf != 0 && (modifiers & k.needsAnyOf) == 0) continue;
        // Alt with a key of its own elsewhere (Alt+A) is no key of the table.
        if (alt && !k.typedWithAlt) return std::nullopt;
        return KeyCommand{*k.command, k.value};
    }
    return std::nullopt;
}

char32_t keyForCommand(Command command, int value) {
    for (const KeyEntry& k : keyTable())
        if (k.character != 0 && runs(k, command, value)) return k.character;
    return 0;
}

const std::string& helpText() {
    static const std::string text = buildHelp();
    return text;
}

}  // namespace pattaplex
