#include "GridView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "GridRenderer.h"
#include "KeyTranslation.h"
#include "QtCanvas.h"
#include "names.h"

namespace pattaplex {

GridView::GridView(GrooveState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setMinimumSize(kWidth, kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::StrongFocus);
    // The drawing pass and the margins around it paint every pixel.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(tr("Step grid"));
}

void GridView::setPlayhead(int step) {
    if (step == playhead_) return;
    // Only the column the playhead leaves and the one it enters are painted again: a
    // whole grid at every step costs a playing groove more than its sound does.
    for (int column : {playhead_, step})
        if (column >= 0) update(columnRect(column));
    playhead_ = step;
}

QRect GridView::columnRect(int step) const {
    // The column with the lines on either side of it and a pixel's antialiasing.
    constexpr double kLineReach = 2;
    const QRectF inDrawing(grid::columnX(state_.left, step) - kLineReach,
                           grid::kBottomLineY - kLineReach, grid::kStepWidth + 2 * kLineReach,
                           grid::kTopLineY - grid::kBottomLineY + 2 * kLineReach);
    return drawingToWidget().mapRect(inDrawing).toAlignedRect().adjusted(-1, -1, 1, 1);
}

QTransform GridView::placement() const {
    const double scale = std::min(width() / double{kWidth}, height() / double{kHeight});
    return QTransform::fromScale(scale, scale) *
           QTransform::fromTranslate((width() - kWidth * scale) / 2,
                                     (height() - kHeight * scale) / 2);
}

QTransform GridView::drawingToWidget() const {
    // The drawing's upward y turned into Qt's downward one, then placed.
    return QTransform(1, 0, 0, -1, 0, kHeight) * placement();
}

QPointF GridView::toDrawing(QPointF widgetPoint) const {
    return drawingToWidget().inverted().map(widgetPoint);
}

void GridView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const Colour background = gridBackground(state_);
    painter.fillRect(rect(), QColor::fromRgbF(background.red, background.green, background.blue));
    // The canvas turns y over itself, so the painter only places the drawing.
    painter.setTransform(placement());
    painter.setClipRect(QRectF(0, 0, kWidth, kHeight));
    QtCanvas canvas(painter, kHeight, fonts_,
                    placement().inverted().mapRect(QRectF(event->rect())));
    drawGrid(state_, canvas, kWidth, kHeight, playhead_);
    if (hasFocus()) {
        // The keyboard is here: a frame in the desktop's focus colour around the view.
        painter.resetTransform();
        painter.setClipping(false);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
    }
    painter.end();
    if (onPainted) onPainted();
}

void GridView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    const QPointF at = toDrawing(event->position());
    if (onClick) onClick(static_cast<float>(at.x()), static_cast<float>(at.y()));
}

void GridView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPointF at = toDrawing(event->position());
    if (onDrag) onDrag(static_cast<float>(at.x()), static_cast<float>(at.y()));
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && onRelease) onRelease();
}

void GridView::wheelEvent(QWheelEvent* event) {
    // Some systems turn a wheel with Shift held into a sideways one.
    const QPoint angle = event->angleDelta();
    wheelEighths_ += angle.y() != 0 ? angle.y() : angle.x();
    const int notches = wheelEighths_ / QWheelEvent::DefaultDeltasPerStep;
    wheelEighths_ %= QWheelEvent::DefaultDeltasPerStep;
    event->accept();
    if (notches == 0 || !onWheel) return;
    const QPointF at = toDrawing(event->position());
    onWheel(static_cast<float>(at.x()), static_cast<float>(at.y()), notches,
            event->modifiers() & Qt::ShiftModifier);
}

void GridView::contextMenuEvent(QContextMenuEvent* event) {
    const QPointF at = toDrawing(event->pos());
    if (onStepMenu) onStepMenu(static_cast<float>(at.x()), static_cast<float>(at.y()));
    event->accept();
}

void GridView::keyPressEvent(QKeyEvent* event) {
    const std::optional<TypedKey> typed = translateKey(*event);
    if (typed && onKey) onKey(typed->character, typed->modifiers);
    // Every key belongs to the grid, so none is passed on to the panel around it.
    event->accept();
}

// The frame that shows where the keyboard is comes and goes with the focus.
void GridView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void GridView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

int GridView::shownSteps() const {
    return std::clamp(state_.LNG, 0, kBufferSize);
}

bool GridView::cellOn(int row, int step) const {
    return state_.isRowNumber(row) && step >= 0 && step < kBufferSize &&
           state_.row(row).BUF[static_cast<size_t>(step)] != 0;
}

QString GridView::cellDescription(int row, int step) const {
    if (!state_.isRowNumber(row) || step < 0 || step >= kBufferSize) return {};
    const DrumRow& r = state_.row(row);
    const std::string sound = soundName(state_.KIT, r.DR).value_or("note " + std::to_string(r.DR));
    QString text =
        tr("Row %1, %2, step %3").arg(row).arg(QString::fromStdString(sound)).arg(step + 1);
    if (!cellOn(row, step)) return text + tr(", off");
    return text + tr(", on, velocity %1").arg(r.VOL[static_cast<size_t>(step)]);
}

QRect GridView::cellRect(int row, int step) const {
    const QRectF inDrawing(grid::columnX(state_.left, step), grid::rowTop(row) - grid::kRowPitch,
                           grid::kStepWidth, grid::kRowPitch);
    return drawingToWidget().mapRect(inDrawing).toAlignedRect();
}

void GridView::clickCell(int row, int step) {
    // The middle of the row's drawn band, in the drawing's coordinates.
    const float x = static_cast<float>(grid::columnX(state_.left, step) + grid::kStepWidth / 2);
    const float y = static_cast<float>(grid::rowCentreY(row));
    if (onClick) onClick(x, y);
    if (onRelease) onRelease();
}

}  // namespace pattaplex
