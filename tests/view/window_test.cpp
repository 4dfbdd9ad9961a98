// The window driven as a user drives it: its controls show what the controller sets and
// act when the user moves them; clicks and keys reach the grid.
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>

#include "WindowFixture.h"

namespace pattaplex {
namespace {

QAction* menuEntry(QMenuBar* bar, const QString& menu, const QString& label) {
    for (QAction* top : bar->actions())
        if (top->text() == menu)
            for (QAction* item : top->menu()->actions())
                if (item->text().section('\t', 0, 0) == label) return item;
    return nullptr;
}

TEST_F(WindowTest, ControlsReflectTheOutletsAndActOnlyWhenTheUserMovesThem) {
    RowPanel* rows = window.rowPanel();
    EXPECT_EQ(rows->soundSelector(1)->value() + rows->volumeSlider(3)->value(), 16 + 120);
    EXPECT_EQ(window.playTitle() + window.countText(), "PLAY0:0");
    EXPECT_TRUE(window.barsButton(2)->isChecked() && window.beatsButton(4)->isChecked() &&
                window.divisionButton(2)->isChecked() && window.kitButton(16417)->isChecked());

    // Set from the groove: shown, not acted on again.
    window.setVolumeSlider(2, 10);
    window.setSoundSelector(2, 20);
    window.setTempoSlider(100);
    EXPECT_EQ(std::tie(state.row(2).DV, state.row(2).DR, state.TEMPO), std::tuple(90, 37, 160));

    // Moved by the user: acted on, for their own row.
    window.tempoControl()->setValue(120);
    rows->volumeSlider(2)->setValue(0);
    rows->soundSelector(5)->setValue(7);
    window.kitButton(35)->click();
    EXPECT_EQ(std::tie(state.TEMPO, state.row(2).DV, state.row(5).DR, state.KIT),
              std::tuple(120, 0, 42, 35));
    EXPECT_EQ(
        window.tempoFieldText() + "/" + volume(2) + "/" + name(5) + "/" + window.kitFieldText(),
        "120/Off/Gb2/Electric Bass");  // a melodic kit names its notes by pitch
    rows->rowButton(3)->click();
    EXPECT_EQ(sound.auditions.back(), std::make_pair(44, 120));
    window.presetButton(3)->click();
    EXPECT_EQ(window.fileFieldText(), "Funk");
    window.beatsButton(9)->click();
    window.divisionButton(4)->click();
    drawGrid();  // 2 x 9 x 4 is capped to one bar of 36 steps
    EXPECT_TRUE(window.barsButton(1)->isChecked() && window.kitButton(16401)->isChecked());

    // The menus show the grid's keys but leave them to the grid.
    QAction* moreBars = menuEntry(window.menuBar(), "Groove", "More Bars");
    ASSERT_TRUE(moreBars && moreBars->shortcut().isEmpty());
    EXPECT_EQ(moreBars->text().section('\t', 1), "]");
    QAction* exportMidi = menuEntry(window.menuBar(), "File", "Export MIDI…");
    ASSERT_NE(exportMidi, nullptr);
    EXPECT_EQ(exportMidi->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
}

TEST_F(WindowTest, ClicksAndKeysReachTheGrid) {
    showActive();
    EXPECT_TRUE(grid()->hasFocus());

    clickGrid(306, 20);  // row 10, step 1, near the bottom of the widget
    EXPECT_EQ(state.row(10).BUF[1], 36);

    // A button click leaves the keys with the grid: the arrows and Space reach it.
    window.randomButton(2)->click();
    EXPECT_TRUE(grid()->hasFocus());
    QTest::keyClick(grid(), Qt::Key_Period);
    EXPECT_EQ(window.tempoFieldText(), "161");
    QTest::mouseClick(window.masterVolumeControl(), Qt::LeftButton);
    EXPECT_TRUE(grid()->hasFocus());
    QTest::keyClick(grid(), Qt::Key_Space);
    EXPECT_TRUE(sound.running);
    EXPECT_EQ(window.playTitle(), "STOP");
}

TEST_F(WindowTest, MasterVolumeAndLevelMeterFollowTheSoundAndRestWhenItIsQuiet) {
    QSlider* volume = window.masterVolumeControl();
    LevelMeter* meter = window.levelMeter();
    EXPECT_EQ(volume->value() + sound.masterVolume, 101);
    for (auto [percent, gain] : {std::pair{50, 0.125f}, {0, 0.0f}, {100, 1.0f}}) {
        volume->setValue(percent);
        EXPECT_FLOAT_EQ(sound.masterVolume, gain);
    }

    // Idle and silent: no polling. An audition wakes the meter; a peak shows, then falls.
    EXPECT_FALSE(meter->polling());
    window.rowPanel()->rowButton(3)->click();
    EXPECT_TRUE(meter->polling());
    sound.peak = 0.5f;
    for (int i = 0; i < 11; ++i) meter->poll();
    EXPECT_NEAR(meter->barDb(), -6.02f - 10 * 0.6f, 0.01f);
    EXPECT_NEAR(meter->holdDb(), -6.02f, 0.01f);  // the mark holds the peak
    int polls = 0;
    while (meter->polling() && polls < 1000) meter->poll(), ++polls;
    EXPECT_FALSE(meter->polling());
    EXPECT_EQ(meter->barDb(), LevelMeter::kFloorDb);

    // While the groove plays the meter keeps polling, even through silence.
    QTest::keyClick(grid(), Qt::Key_Space);
    for (int i = 0; i < 200; ++i) meter->poll();
    EXPECT_TRUE(meter->polling());
    QTest::keyClick(grid(), Qt::Key_Space);
    for (int i = 0; i < 200; ++i) meter->poll();
    EXPECT_FALSE(meter->polling());

    // So it does when an outside clock starts the groove, with no hand on the window.
    sound.running = true;
    controller.followedTransport(true, "");
    for (int i = 0; i < 200; ++i) meter->poll();
    EXPECT_TRUE(meter->polling());
}

TEST_F(WindowTest, AGridSizeOverTheCapSaysWhyInTheStatusLine) {
    EXPECT_TRUE(window.statusBar()->isHidden());
    window.barsButton(6)->click();
    window.beatsButton(9)->click();
    EXPECT_EQ(window.statusBar()->currentMessage(),
              "At most 54 steps: 6 bars of 9 beats need 1 step per beat");
    EXPECT_FALSE(window.statusBar()->isHidden());
}

// Keys typed at the window go wherever the keyboard focus is, as a user's would.
void typeAtFocus(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key, modifiers);
}

TEST_F(WindowTest, TheKeyboardAlwaysComesBackToTheGrid) {
    showActive();

    // A lone Alt press never takes the keyboard to the menu bar.
    QTest::keyPress(QApplication::focusWidget(), Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Alt);
    typeAtFocus(Qt::Key_Space);
    EXPECT_TRUE(sound.running);

    // Leaving a menu with Escape gives the keyboard back to the grid.
    QMenu* groove = window.menuBar()->actions().at(1)->menu();
    window.menuBar()->setActiveAction(window.menuBar()->actions().at(1));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(groove));
    QTest::keyClick(groove, Qt::Key_Escape);
    QTest::keyClick(window.menuBar(), Qt::Key_Escape);
    QTest::qWait(10);
    EXPECT_TRUE(grid()->hasFocus());
    typeAtFocus(Qt::Key_Space);
    EXPECT_FALSE(sound.running);
}

// Each row takes clicks over its whole drawn height, the spacer below it included;
// beside the grid a click changes nothing.
TEST_F(WindowTest, EveryRowTakesClicksOverItsWholeHeight) {
    showActive();
    const auto click = [this](double x, double y) {
        QTest::mouseClick(grid(), Qt::LeftButton, {},
                          grid()->drawingToWidget().map(QPointF(x, y)).toPoint());
    };
    for (int n = 1; n <= kRowCount; ++n) {
        click(300, grid::rowTop(n) - 1);  // the top of its band: step 0
        click(314, n < kRowCount ? grid::rowTop(n + 1) + 2 : grid::kBottomLineY + 1);  // step 1
    }
    for (int n = 1; n <= kRowCount; ++n)
        EXPECT_TRUE(state.row(n).BUF[0] != 0 && state.row(n).BUF[1] != 0) << n;
    // The selected row is marked in the panel too.
    drawGrid();
    for (int n = 1; n <= kRowCount; ++n)
        EXPECT_EQ(window.rowPanel()->rowButton(n)->isChecked(), n == kRowCount) << n;
    window.rowPanel()->rowButton(4)->click();
    for (int n = 1; n <= kRowCount; ++n)
        EXPECT_EQ(window.rowPanel()->rowButton(n)->isChecked(), n == 4) << n;
    state.dataTOG = 0;
    const GrooveState before = state;
    click(200, 200);
    click(300, grid::kTopLineY + 10);
    EXPECT_TRUE(state.rows == before.rows);
    EXPECT_EQ(window.windowTitle(), "Groove \u2014 Pattaplex");
}

}  // namespace
}  // namespace pattaplex
