// The window without a mouse: Tab through every control and back to the grid, F10, and
// what a screen reader finds: true names, buttons and grid cells that act as a click does.
#include <QAccessible>
#include <QLabel>
#include <QMenuBar>
#include <QSet>

#include "WindowFixture.h"

namespace pattaplex {
namespace {

// Every accessible object under `at` with a role a user can work.
void collectControls(QAccessibleInterface* at, QStringList& names) {
    static const QSet<QAccessible::Role> kControls = {
        QAccessible::PushButton, QAccessible::RadioButton, QAccessible::CheckBox,
        QAccessible::Slider,     QAccessible::SpinBox,     QAccessible::EditableText,
        QAccessible::ButtonMenu, QAccessible::Table};
    if (!at) return;
    if (kControls.contains(at->role()) && !at->state().invisible)
        names << at->text(QAccessible::Name);
    for (int i = 0; i < at->childCount() && at->role() != QAccessible::Table; ++i)
        collectControls(at->child(i), names);
}

QAccessibleActionInterface* actions(QObject* object) {
    return QAccessible::queryAccessibleInterface(object)->actionInterface();
}

TEST_F(WindowTest, TabReachesEveryControlAndComesBackToTheGrid) {
    showActive();
    ASSERT_TRUE(grid()->hasFocus());
    const QColor focus = grid()->palette().color(QPalette::Highlight);
    EXPECT_EQ(grid()->grab().toImage().pixelColor(1, 1), focus);  // the grid shows it

    QSet<QWidget*> reached;
    for (int i = 0; i < 300; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (grid()->hasFocus()) break;
        reached.insert(QApplication::focusWidget());
    }
    EXPECT_TRUE(grid()->hasFocus());
    for (QWidget* control : std::initializer_list<QWidget*>{
             window.rowPanel()->rowButton(1), window.rowPanel()->soundSelector(4),
             window.rowPanel()->volumeSlider(10), window.tempoControl(), window.tempoEntry(),
             window.masterVolumeControl(), window.barsButton(2), window.kitButton(16417),
             window.presetButton(12), window.randomButton(5)})
        EXPECT_TRUE(reached.contains(control)) << control->accessibleName().toStdString();

    // A choice is one stop, at its chosen button, as a group of radio buttons is.
    EXPECT_FALSE(reached.contains(window.barsButton(3)));
    QTest::keyClick(grid(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), window.randomButton(5));
    EXPECT_NE(grid()->grab().toImage().pixelColor(1, 1), focus);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(grid()->hasFocus());

    QTest::keyClick(grid(), Qt::Key_F10);
    ASSERT_NE(window.menuBar()->activeAction(), nullptr);
    EXPECT_EQ(window.menuBar()->activeAction()->text(), "File");
    window.menuBar()->setActiveAction(nullptr);
}

TEST_F(WindowTest, AScreenReaderHearsTrueNamesAndActsAsAClickDoes) {
    showActive();
    QStringList names;
    collectControls(QAccessible::queryAccessibleInterface(&window), names);
    for (const QString& name : names) EXPECT_EQ(names.count(name), 1) << name.toStdString();
    for (const char* name : {"Tempo", "Bars 3", "Beats 4", "Steps per beat 2", "Row 3",
                             "Volume of row 3", "Jazz", "Funk", "Step grid"})
        EXPECT_TRUE(names.contains(name)) << name;
    for (const QString field : {"Groove file", "Drum set file"}) {
        int found = 0;
        for (QLabel* label : window.findChildren<QLabel*>())
            found += QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name) == field;
        EXPECT_EQ(found, 1) << field.toStdString();
    }

    // The grid is a table of rows by steps; each cell's action toggles it as a click does.
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(grid())->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount() * 100 + table->columnCount(), 10 * 100 + state.LNG);
    QAccessibleInterface* cell = table->cellAt(2, 4);
    ASSERT_NE(cell, nullptr);
    state.row(3).BUF[4] = 0;
    EXPECT_EQ(cell->text(QAccessible::Name), "Row 3, Pedal Hat, step 5, off");
    cell->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(state.row(3).BUF[4], state.row(3).DR);
    EXPECT_EQ(cell->text(QAccessible::Name),
              QString("Row 3, Pedal Hat, step 5, on, velocity %1").arg(state.row(3).DV));
    EXPECT_TRUE(cell->state().checked);
    EXPECT_EQ(state.dataTOG, 1);

    // Pressed or toggled, each button does what its click does.
    actions(window.kitButton(16409))->doAction(QAccessibleActionInterface::toggleAction());
    actions(window.barsButton(3))->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(std::tie(state.KIT, state.BARS), std::tuple(16409, 3));
    actions(window.presetButton(3))->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(window.fileFieldText(), "Funk");
}

// On a dark desktop the grid starts dark; C still switches.
TEST_F(WindowTest, ADarkDesktopStartsTheGridDark) {
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::Window, Qt::black);
    dark.setColor(QPalette::WindowText, Qt::white);
    QApplication::setPalette(dark);
    controller.awakeFromNib();
    EXPECT_EQ(state.colTOG, 1);
    showActive();
    QTest::keyClick(grid(), Qt::Key_C);
    EXPECT_EQ(state.colTOG, 0);
    QApplication::setPalette(before);
    controller.awakeFromNib();
    EXPECT_EQ(state.colTOG, 0);
}

}  // namespace
}  // namespace pattaplex
