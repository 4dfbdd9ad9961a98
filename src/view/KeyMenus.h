#pragma once
// The Groove and Help menus: every keyboard command of the grid with its key on this
// platform, so the keys can be found and the commands run from the menu too. The keys
// are only shown in the menus; pressing them goes to the grid, as always.

#include <QMenuBar>
#include <functional>

#include "Command.h"

namespace pattaplex {

using RunCommand = std::function<void(Command command, int value)>;

void addKeyMenus(QMenuBar& menuBar, const RunCommand& run);

}  // namespace pattaplex
