#include "GridView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "GridRenderer.h"
#include "KeyTranslation.h"
#include "QtCanvas.h"

namespace pattaplex {

GridView::GridView(GrooveState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setFixedSize(kWidth, kHeight);
    setFocusPolicy(Qt::StrongFocus);
    // The drawing pass paints every pixel.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GridView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QtCanvas canvas(painter, height());
    drawGrid(state_, canvas, width(), height());
    painter.end();
    if (onPainted) onPainted();
}

void GridView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    const QPointF at = event->position();
    if (onClick) onClick(static_cast<float>(at.x()), static_cast<float>(height() - at.y()));
}

void GridView::keyPressEvent(QKeyEvent* event) {
    const std::optional<TypedKey> typed = translateKey(*event);
    if (typed && onKey) onKey(typed->character, typed->modifiers);
    // Every key belongs to the grid, so none is passed on to the panel around it.
    event->accept();
}

// Tab stays in the grid instead of moving the focus into the panel.
bool GridView::focusNextPrevChild(bool) {
    return false;
}

}  // namespace pattaplex
