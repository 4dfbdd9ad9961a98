#pragma once
// The MIDI menu: notes and clock out, the internal sound, the channel and where the clock
// comes from (the groove, a MIDI clock, JACK transport or a Link session). Each choice is
// remembered between runs.

#include <QMenu>
#include <functional>
#include <optional>

#include "Sound.h"

class QActionGroup;
class QMenuBar;

namespace pattaplex {

// A sync source as the command line and the settings name it: "internal", "midi-clock",
// "jack-transport" or "link".
QString syncName(SyncSource source);
std::optional<SyncSource> syncNamed(const QString& name);

class MidiMenu {
  public:
    // Adds the menu to `bar`, showing the remembered choices; `changed` is told of each
    // choice the user makes.
    MidiMenu(QMenuBar& bar, std::function<void(const MidiSettings&)> changed);

    MidiSettings settings() const;
    // Shows `settings` (as the command line asks) without remembering them.
    void show(const MidiSettings& settings);
    // The sync source chosen elsewhere (the "Link" toggle): shown, remembered and told.
    void chooseSync(SyncSource source);

  private:
    void userChanged();

    std::function<void(const MidiSettings&)> changed_;
    QAction* sendNotes_ = nullptr;
    QAction* internalSound_ = nullptr;
    QActionGroup* channel_ = nullptr;
    QAction* sendClock_ = nullptr;
    QActionGroup* sync_ = nullptr;
    QAction* timebaseMaster_ = nullptr;
};

}  // namespace pattaplex
