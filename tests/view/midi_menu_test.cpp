// The MIDI menu as a user finds it: its choices by name reach the sound, are remembered
// for the next window, and following a MIDI clock locks the tempo controls; the "Link"
// toggle beside the tempo.
#include <QCheckBox>
#include <QCoreApplication>
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
                             "Send MIDI clock", "Sync source", "Internal", "MIDI clock",
                             "JACK transport", "Link", "JACK timebase master"})
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
    // Shown where nothing else is.
    window.show();
    QCoreApplication::processEvents();
    for (QWidget* other :
         source->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (other == source || !other->isVisible()) continue;
        EXPECT_FALSE(other->geometry().intersects(source->geometry()))
            << other->metaObject()->className();
    }

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

// The "Link" toggle in the transport area is the sync source "Link", both ways, and says
// how many peers play along.
TEST_F(WindowTest, TheLinkToggleChoosesLinkAndShowsThePeers) {
    QSettings().remove("midi");
    QCheckBox* link = nullptr;
    for (QCheckBox* box : window.findChildren<QCheckBox*>())
        if (box->accessibleName() == "Link") link = box;
    ASSERT_NE(link, nullptr);
    QLabel* peers = nullptr;
    for (QLabel* label : window.findChildren<QLabel*>())
        if (label->accessibleName() == "Link peers") peers = label;
    ASSERT_NE(peers, nullptr);

    link->click();
    EXPECT_EQ(sound.midi.sync, SyncSource::Link);
    EXPECT_TRUE(entry(midiMenu(window.menuBar()), "Link")->isChecked());
    EXPECT_EQ(peers->text(), "Link: 0 peers");
    EXPECT_TRUE(window.tempoControl()->isEnabled());  // the session's tempo is ours too
    controller.linkPeers(2);
    EXPECT_EQ(peers->text(), "Link: 2 peers");
    EXPECT_EQ(MainWindow(state).midiSettings().sync, SyncSource::Link);

    entry(midiMenu(window.menuBar()), "Internal")->trigger();
    EXPECT_FALSE(link->isChecked());
    EXPECT_EQ(peers->text(), "");
    entry(midiMenu(window.menuBar()), "JACK timebase master")->trigger();
    EXPECT_TRUE(MainWindow(state).midiSettings().timebaseMaster);
    QSettings().remove("midi");
}

}  // namespace
}  // namespace pattaplex
