#pragma once
// The keys as the window shows them, all taken from the key table: the menu items with
// their keys, the Groove and Help menus of the grid's commands, and tooltips that name a
// control's keys. The grid's keys are only shown in the menus (pressing them goes to the
// grid, as always); the window's own keys are bound as the items' shortcuts.

#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QMenu>
#include <QMenuBar>
#include <QString>
#include <functional>

#include "Command.h"

namespace pattaplex {

using RunCommand = std::function<void(Command command, int value)>;

// The keys of a command, joined ("Backspace, Delete"); empty for a command without one.
QString keyText(Command command, int value = 0);

// "Play/Stop — Space": what a control does and the keys that do the same.
QString withKeys(const QString& what, Command command, int value = 0);

// The window's own keys of a command (Ctrl+O), to be bound as shortcuts.
QList<QKeySequence> shortcutsFor(Command command);

// A menu item running `command`, titled as the key table names it, showing its key.
QAction* addCommandItem(QMenu* menu, Command command, int value, const RunCommand& run);

// The Groove menu of the grid's commands and the Help menu.
void addKeyMenus(QMenuBar& menuBar, const RunCommand& run);

}  // namespace pattaplex
