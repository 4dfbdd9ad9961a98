#pragma once
// The Groove and Help menus: every keyboard command of the grid with its key on this
// platform, so the keys can be found and the commands run from the menu too. The keys
// are only shown in the menus; pressing them goes to the grid, as always.

#include <QMenuBar>
#include <cstdint>
#include <functional>

namespace pattaplex {

using TypeKey = std::function<void(char32_t character, uint32_t modifiers)>;

void addKeyMenus(QMenuBar& menuBar, const TypeKey& typeKey);

}  // namespace pattaplex
