#pragma once
// The step grid on screen: paints the groove, hands clicks and drags (in the drawing's
// own coordinates, origin bottom-left) and typed keys (translated once) to whoever
// listens, and keeps the keyboard focus for the grid's keys. The drawing keeps its fixed
// geometry and is scaled uniformly to the space the view has, centred in it.

#include <QTransform>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "GrooveState.h"
#include "QtCanvas.h"
#include "grid_geometry.h"

namespace pattaplex {

class GridView : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = grid::kViewWidth;
    static constexpr int kHeight = grid::kViewHeight;

    explicit GridView(GrooveState& state, QWidget* parent = nullptr);

    std::function<void(float x, float y)> onClick;
    std::function<void(float x, float y)> onDrag;  // the button held down
    std::function<void()> onRelease;
    // The wheel turned by whole notches (up is positive); `fine` with Shift held.
    std::function<void(float x, float y, int notches, bool fine)> onWheel;
    std::function<void(float x, float y)> onStepMenu;  // a right-click or the menu key
    std::function<void(char32_t character, uint32_t modifiers)> onKey;
    std::function<void()> onPainted;  // after each drawing pass

    // The step highlighted as playing; -1 for none.
    void setPlayhead(int step);

    // From the drawing's coordinates (origin bottom-left, kWidth × kHeight) to the
    // widget's, and back.
    QTransform drawingToWidget() const;
    QPointF toDrawing(QPointF widgetPoint) const;

    QSize sizeHint() const override { return {kWidth, kHeight}; }

    // The grid by its cells, for those who do not see it: the steps shown, whether a
    // step is on, its words ("Row 3, Pedal Hat, step 5, on, velocity 90"), where it lies
    // in the widget, and a click in its middle. Rows count from 1, steps from 0.
    int shownSteps() const;
    bool cellOn(int row, int step) const;
    QString cellDescription(int row, int step) const;
    QRect cellRect(int row, int step) const;
    void clickCell(int row, int step);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    // The drawing scaled to fit the widget and centred in it, in Qt's y direction.
    QTransform placement() const;
    // Step `step`'s column in the widget, as far as its painting reaches.
    QRect columnRect(int step) const;

    GrooveState& state_;
    QtCanvas::FontCache fonts_;
    int playhead_ = -1;
    int wheelEighths_ = 0;  // a wheel's turn not yet a whole notch (touchpads)
};

}  // namespace pattaplex
