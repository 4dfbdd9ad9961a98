#pragma once
// The step grid on screen: paints the groove, hands clicks (in view coordinates, origin
// bottom-left) and typed keys (translated once) to whoever listens, and keeps the
// keyboard focus for the grid's keys.

#include <QWidget>
#include <cstdint>
#include <functional>

#include "GrooveState.h"
#include "grid_geometry.h"

namespace pattaplex {

class GridView : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = grid::kViewWidth;
    static constexpr int kHeight = grid::kViewHeight;

    explicit GridView(GrooveState& state, QWidget* parent = nullptr);

    std::function<void(float x, float y)> onClick;
    std::function<void(char32_t character, uint32_t modifiers)> onKey;
    std::function<void()> onPainted;  // after each drawing pass

    QSize sizeHint() const override { return {kWidth, kHeight}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    GrooveState& state_;
};

}  // namespace pattaplex
