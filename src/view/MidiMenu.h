#pragma once
// The MIDI menu: notes and clock out, the internal sound, the channel and where the clock
// comes from. Each choice is remembered between runs.

#include <QMenu>
#include <functional>

#include "Sound.h"

class QActionGroup;
class QMenuBar;

namespace pattaplex {

class MidiMenu {
  public:
    // Adds the menu to `bar`, showing the remembered choices; `changed` is told of each
    // choice the user makes.
    MidiMenu(QMenuBar& bar, std::function<void(const MidiSettings&)> changed);

    MidiSettings settings() const;
    // Shows `settings` (as the command line asks) without remembering them.
    void show(const MidiSettings& settings);

  private:
    void userChanged();

    std::function<void(const MidiSettings&)> changed_;
    QAction* sendNotes_ = nullptr;
    QAction* internalSound_ = nullptr;
    QActionGroup* channel_ = nullptr;
    QAction* sendClock_ = nullptr;
    QActionGroup* sync_ = nullptr;
};

}  // namespace pattaplex
