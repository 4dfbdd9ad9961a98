#pragma once
// Every key the program takes, with the label it is shown by and what it does. The
// grid's keys reach their command through the key handler as the characters below; the
// window binds its own keys (menus, focus) from the same labels. Menus, tooltips and the
// help sheet all take their key labels from here, so a key and its label cannot part.

#include <optional>
#include <string>
#include <vector>

#include "Command.h"

namespace pattaplex {

// The sections of the help sheet and of the Groove menu.
enum class KeyGroup { Playing, Grid, Random, Rows, Files, Edit, Window };

struct KeyEntry {
    KeyGroup group;
    const char* label;               // as shown: "Alt+9", "Space", "Ctrl+Shift+E"
    std::string title;               // what it does: "Mute / Unmute Row 9"
    std::optional<Command> command;  // none for the window's own keys (F10, Tab)
    int value = 0;                   // the row of a row command
    char32_t character = 0;          // what the grid's handler gets; 0: a window key
    uint32_t needsAnyOf = 0;         // modifiers one of which must be held
    bool typedWithAlt = false;       // an Alt key: only these act while Alt is held
};

// In the order the help sheet and the menus list them.
const std::vector<KeyEntry>& keyTable();

// The labels of the keys that run `command` (for a row command, on row `value`), in the
// order of the table; empty for a command without a key.
std::vector<std::string> keyLabels(Command command, int value = 0);

// The command a typed character runs, or nothing for a character the grid ignores.
// While Alt is held only the Alt keys of the table act.
std::optional<KeyCommand> commandForKey(char32_t character, uint32_t modifiers);

// The character that types a key command in the grid, or 0 for a command no grid key runs.
char32_t keyForCommand(Command command, int value = 0);

// The help sheet's text: how to edit with the mouse, then every key by section.
const std::string& helpText();

}  // namespace pattaplex
