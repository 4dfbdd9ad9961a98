// The groove's feel in the window: the wheel and the right-click over a step, the step
// editor named "Step", and the swing field that triplets grey out.

#include <QContextMenuEvent>
#include <QWheelEvent>

#include "WindowFixture.h"

namespace pattaplex {
namespace {

TEST_F(WindowTest, TheWheelTheStepEditorAndSwingReachTheGroove) {
    showActive();
    clickGrid(306, 20);  // row 10 (volume 90), step 1
    ASSERT_NE(state.row(10).BUF[1], 0);
    const QPointF at = grid()->drawingToWidget().map(QPointF(306, 20));

    // Two notches up, then one with Shift held: sideways, as some systems turn it.
    for (auto [angle, modifiers] :
         {std::pair{QPoint(0, 240), Qt::NoModifier}, {QPoint(-120, 0), Qt::ShiftModifier}}) {
        QWheelEvent wheel(at, grid()->mapToGlobal(at), {}, angle, Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid(), &wheel);
    }
    EXPECT_EQ(state.row(10).VOL[1], 90 + 16 - 1);
    EXPECT_EQ(sound.auditions.back(), std::make_pair(36, 105));

    QContextMenuEvent menu(QContextMenuEvent::Mouse, at.toPoint(),
                           grid()->mapToGlobal(at.toPoint()));
    QApplication::sendEvent(grid(), &menu);
    StepEditor* editor = window.stepEditor();
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->accessibleName(), "Step");
    EXPECT_EQ(editor->velocity()->value(), 105);
    editor->repeats()->setCurrentIndex(editor->repeats()->findData(3));
    editor->chance()->setCurrentIndex(editor->chance()->findData(25));
    editor->accept();
    EXPECT_EQ(std::tie(state.row(10).REP[1], state.row(10).CHANCE[1]), std::make_tuple(3, 25));
    EXPECT_EQ(window.undoAction()->text(), "Undo Step");

    QSpinBox* swing = window.feelControls()->swing();
    EXPECT_EQ(swing->accessibleName(), "Swing");
    swing->setValue(66);
    EXPECT_EQ(state.SWING, 66);
    window.divisionButton(3)->click();
    EXPECT_FALSE(swing->isEnabled());
    EXPECT_EQ(swing->value(), 66);
    window.divisionButton(4)->click();
    EXPECT_TRUE(swing->isEnabled());
}

}  // namespace
}  // namespace pattaplex
