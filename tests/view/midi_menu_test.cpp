// The MIDI menu as a user finds it: its choices by name reach the sound, are remembered
// for the next window, and following a MIDI clock locks the tempo controls.
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

#include "WindowFixture.h"

namespace pattaplex {
namespace {

QAction* entry(QMenu* menu, const QString& label) {
    for (QAction* item : menu->actions()) {
        if (item->text() == label) return item;
        if (item->menu())
            if (QAction* inner = entry(item->menu(), label)) return inner;
    }
    return nullptr;
}

QMenu* midiMenu(QMenuBar* bar) {
    for (QAction* top : bar->actions())
        if (top->text() == "MIDI") return top->menu();
    return nullptr;
}

TEST_F(WindowTest, TheMidiMenuReachesTheSoundAndIsRemembered) {
    QSettings().remove("midi");
    MainWindow fresh(state);
    QMenu* menu = midiMenu(fresh.menuBar());
    ASSERT_NE(menu, nullptr);
    for (const char* name : {"Send MIDI notes", "Internal sound", "MIDI channel", "10",
                             "Send MIDI clock", "Sync source", "Internal", "MIDI clock"})
        EXPECT_NE(entry(menu, name), nullptr) << name;
    EXPECT_EQ(fresh.midiSettings(), MidiSettings{});

    menu = midiMenu(window.menuBar());
    entry(menu, "Send MIDI notes")->trigger();
    entry(menu, "Internal sound")->trigger();
    entry(menu, "3")->trigger();
    entry(menu, "Send MIDI clock")->trigger();
    const MidiSettings chosen{
        .sendNotes = true, .internalSound = false, .channel = 3, .sendClock = true};
    EXPECT_EQ(sound.midi, chosen);

    entry(menu, "MIDI clock")->trigger();
    EXPECT_EQ(sound.midi.sync, SyncSource::MidiClock);
    EXPECT_FALSE(window.tempoControl()->isEnabled());
    EXPECT_TRUE(window.tempoEntry()->isReadOnly());
    QLabel* source = nullptr;
    for (QLabel* label : window.findChildren<QLabel*>())
        if (label->accessibleName() == "Tempo source") source = label;
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->text(), "Tempo from MIDI clock");

    MidiSettings remembered = chosen;
    remembered.sync = SyncSource::MidiClock;
    EXPECT_EQ(MainWindow(state).midiSettings(), remembered);

    // Set from the command line: shown and taken, not remembered.
    window.setMidiSettings({});
    EXPECT_EQ(sound.midi, MidiSettings{});
    EXPECT_TRUE(window.tempoControl()->isEnabled());
    EXPECT_EQ(MainWindow(state).midiSettings(), remembered);
    QSettings().remove("midi");
}

}  // namespace
}  // namespace pattaplex
