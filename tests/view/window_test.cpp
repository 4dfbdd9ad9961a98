// The window driven as a user drives it: the panel after start-up and after each
// refresh, clicks on the grid, the panel's controls, and the keyboard.
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QSpinBox>

#include "WindowFixture.h"

namespace pattaplex {
namespace {

TEST_F(WindowTest, StartUpPanel) {
    EXPECT_EQ(name(1), "Ride 1");
    EXPECT_EQ(window.rowPanel()->soundSelector(1)->value(), 16);
    EXPECT_EQ(name(10), "BassDrum1");
    EXPECT_EQ(volume(3), "120");
    EXPECT_EQ(window.rowPanel()->volumeSlider(3)->value(), 120);
    EXPECT_EQ(window.kitFieldText(), "Jazz");
    EXPECT_EQ(window.tempoFieldText(), "160");
    EXPECT_EQ(window.tempoControl()->value(), 160);
    EXPECT_EQ(window.playTitle(), "PLAY");
    EXPECT_EQ(window.countText(), "0:0");
    EXPECT_EQ(sound.opened, std::vector<int>{16417});
    // The selectors show the grid and kit as drawn.
    EXPECT_TRUE(window.barsButton(2)->isChecked());
    EXPECT_TRUE(window.beatsButton(4)->isChecked());
    EXPECT_TRUE(window.divisionButton(2)->isChecked());
    EXPECT_TRUE(window.kitButton(16417)->isChecked());
    EXPECT_EQ(state.left, 292);
    EXPECT_EQ(state.LNG, 16);
}

TEST_F(WindowTest, RefreshesShowNamesVolumesAndKits) {
    state.KIT = 1;
    state.row(1).DR = 84;
    state.row(2).DR = 90;  // outside the name table: its name stays
    controller.displayNotes();
    EXPECT_EQ(name(1), "C6");
    EXPECT_EQ(name(2), "SideStick");
    EXPECT_EQ(window.kitFieldText(), "Piano");

    state.row(4).DV = 0;
    controller.displayVolume();
    EXPECT_EQ(volume(4), "Off");
    EXPECT_EQ(window.rowPanel()->volumeSlider(4)->value(), 0);
}

TEST_F(WindowTest, ClicksToggleStepsAndAuditionTheRow) {
    clickGrid(300, 310);
    EXPECT_EQ(state.row(1).BUF[0], 51);
    EXPECT_EQ(state.row(1).VOL[0], 90);
    EXPECT_EQ(state.DEMO, 1);
    EXPECT_EQ(state.dataTOG, 1);
    ASSERT_EQ(sound.auditions.size(), 1u);
    EXPECT_EQ(sound.auditions[0], std::make_pair(51, 90));

    clickGrid(300, 310);
    EXPECT_EQ(state.row(1).BUF[0], 0);
    EXPECT_EQ(sound.auditions.size(), 2u);

    clickGrid(280, 245);  // 12 points left of the grid: still column 0, row 3
    EXPECT_EQ(state.row(3).BUF[0], 44);
    EXPECT_EQ(state.DEMO, 3);

    for (int y : {318, 300, 252}) clickGrid(320, y);  // between the bands
    for (int n = 1; n <= kRowCount; ++n) EXPECT_EQ(state.row(n).BUF[2], 0);
    EXPECT_EQ(sound.auditions.size(), 6u);

    clickGrid(5, 310);  // far left of the grid: no column, nothing toggled
    for (int n = 1; n <= kRowCount; ++n)
        for (int v : state.row(n).BUF) EXPECT_TRUE(v == 0 || (n == 3 && v == 44));
    EXPECT_TRUE(grid()->hasFocus() || !window.isVisible());
}

TEST_F(WindowTest, RowControlsActOnTheirRow) {
    window.rowPanel()->volumeSlider(2)->setValue(0);
    EXPECT_EQ(state.row(2).DV, 0);
    EXPECT_EQ(volume(2), "Off");

    window.rowPanel()->soundSelector(5)->setValue(7);
    EXPECT_EQ(state.row(5).DR, 42);
    EXPECT_EQ(name(5), "Closed Hat");

    window.rowPanel()->rowButton(3)->click();
    EXPECT_EQ(state.DEMO, 3);
    EXPECT_EQ(sound.auditions.back(), std::make_pair(44, 120));
}

TEST_F(WindowTest, ControlsSetFromTheGrooveDoNotActAgain) {
    window.setVolumeSlider(2, 10);
    window.setSoundSelector(2, 20);
    window.setTempoSlider(100);
    EXPECT_EQ(state.row(2).DV, 90);
    EXPECT_EQ(state.row(2).DR, 37);
    EXPECT_EQ(state.TEMPO, 160);

    window.tempoControl()->setValue(120);  // as the user moves it
    EXPECT_EQ(state.TEMPO, 120);
    EXPECT_EQ(window.tempoFieldText(), "120");
}

TEST_F(WindowTest, GridSizeSelectorsClearAndCanBeUndone) {
    clickGrid(300, 310);
    window.barsButton(3)->click();
    EXPECT_EQ(state.BARS, 3);
    EXPECT_EQ(state.row(1).BUF[0], 0);
    drawGrid();
    EXPECT_EQ(state.LNG, 24);
    EXPECT_TRUE(window.barsButton(3)->isChecked());

    QTest::keyClick(grid(), Qt::Key_U);  // undo the clear
    EXPECT_EQ(state.row(1).BUF[0], 51);
    EXPECT_EQ(window.undoTitle(), "Revert");

    window.beatsButton(9)->click();
    window.divisionButton(4)->click();
    drawGrid();
    EXPECT_EQ(state.BARS, 1);  // 3 × 9 × 4 is capped to one bar of 36 steps
    EXPECT_TRUE(window.barsButton(1)->isChecked());
}

TEST_F(WindowTest, KitPresetAndRandomButtons) {
    window.kitButton(35)->click();
    EXPECT_EQ(state.KIT, 35);
    EXPECT_EQ(state.oldKIT, 16417);
    EXPECT_EQ(sound.opened.back(), 35);
    EXPECT_EQ(window.kitFieldText(), "Electric Bass");
    EXPECT_EQ(name(1), "Eb3");

    window.presetButton(3)->click();
    EXPECT_EQ(window.fileFieldText(), "Funk");
    EXPECT_EQ(window.tempoFieldText(), "80");
    drawGrid();
    EXPECT_EQ(state.LNG, 32);
    EXPECT_TRUE(window.kitButton(16401)->isChecked());

    window.randomButton(3)->click();
    EXPECT_EQ(state.randTOG, 3);
}

// A new user's first minute: more bars, faster, mute row 3, louder and another sound
// for row 1, then save.
TEST_F(WindowTest, KeyboardSessionReachesTheGroove) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(grid()->hasFocus());

    QTest::keyClick(grid(), Qt::Key_BracketRight);
    for (int i = 0; i < 3; ++i) QTest::keyClick(grid(), Qt::Key_Period);
    QTest::keyClick(grid(), Qt::Key_3, Qt::AltModifier);
    QTest::keyClick(grid(), Qt::Key_Up);
    QTest::keyClick(grid(), Qt::Key_Right);
    EXPECT_EQ(state.BARS, 3);
    EXPECT_EQ(state.TEMPO, 163);
    EXPECT_EQ(window.tempoFieldText(), "163");
    EXPECT_EQ(window.tempoControl()->value(), 163);
    EXPECT_EQ(state.row(3).DV, 0);
    EXPECT_EQ(volume(3), "Off");
    EXPECT_EQ(state.row(1).DV, 91);
    EXPECT_EQ(state.row(1).DR, 52);
    EXPECT_EQ(name(1), "Chinese");

    // A button click leaves the keys with the grid: Space plays.
    window.randomButton(2)->click();
    QTest::keyClick(grid(), Qt::Key_Space);
    EXPECT_TRUE(sound.running);
    EXPECT_EQ(window.playTitle(), "STOP");

    // Control-S is the File menu's save, which opens a window-modal save sheet.
    QTest::keyClick(grid(), Qt::Key_S, Qt::ControlModifier);
    auto* sheet = window.findChild<QDialog*>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    sheet->reject();
    EXPECT_EQ(state.dataTOG, 1);
}

}  // namespace
}  // namespace pattaplex

namespace pattaplex {
namespace {

QAction* menuEntry(QMenuBar* bar, const QString& menu, const QString& label) {
    for (QAction* top : bar->actions())
        if (top->text() == menu)
            for (QAction* item : top->menu()->actions())
                if (item->text().section('\t', 0, 0) == label) return item;
    return nullptr;
}

TEST_F(WindowTest, MenusShowTheKeysAndRunTheirCommands) {
    QAction* moreBars = menuEntry(window.menuBar(), "Groove", "More Bars");
    ASSERT_NE(moreBars, nullptr);
    EXPECT_EQ(moreBars->text().section('\t', 1), "]");
    EXPECT_TRUE(moreBars->shortcut().isEmpty());  // the key itself stays with the grid
    moreBars->trigger();
    EXPECT_EQ(state.BARS, 3);

    QAction* exportMidi = menuEntry(window.menuBar(), "File", "Export MIDI…");
    ASSERT_NE(exportMidi, nullptr);
    EXPECT_EQ(exportMidi->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    QStringList menus;
    for (QAction* top : window.menuBar()->actions()) menus << top->text();
    EXPECT_EQ(menus, (QStringList{"File", "Groove", "Help"}));  // no mnemonics
}

}  // namespace
}  // namespace pattaplex
