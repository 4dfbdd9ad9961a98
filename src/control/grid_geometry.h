#pragma once
// Where the step grid sits in its view, in view coordinates (origin bottom-left). The
// drawing pass, mouse editing, the row panel beside the grid and the fresh start all
// place the grid from here.

#include <algorithm>
#include <cmath>
#include <optional>

#include "GrooveState.h"

namespace pattaplex::grid {

// The view the grid is drawn in: 54 steps and the bar numbers fit.
constexpr int kViewWidth = 808;
constexpr int kViewHeight = 340;

constexpr int kStepWidth = 14;
constexpr int kCentreX = 404;  // the grid is centred on this x
constexpr int kRowPitch = 32;  // each row band is two 16-point line spacings
constexpr int kLineSpacing = 16;
constexpr int kTopLineY = 318;
constexpr int kBottomLineY = kTopLineY - kLineSpacing * (2 * kRowCount - 1);
constexpr const char* kFontFamily = "Lucida Grande";

// The left edge of a grid `steps` long, and the x of step s's left line.
constexpr int gridLeft(int steps) {
    return kCentreX - steps * kStepWidth / 2;
}
constexpr int columnX(int left, int step) {
    return left + kStepWidth * step;
}
// The top line of row n's band (rows 1..10 from the top), and the y of the horizontal
// line i (0 at the top).
constexpr int rowTop(int n) {
    return kTopLineY - kRowPitch * (n - 1);
}
constexpr int lineY(int i) {
    return kTopLineY - kLineSpacing * i;
}
// The middle of row n's band, where the row's controls beside the grid line up.
constexpr int rowCentreY(int n) {
    return rowTop(n) - 8;
}

struct Cell {
    int row;     // 1..10
    int column;  // an index into the step buffers

    friend bool operator==(const Cell&, const Cell&) = default;
};

// The cell under (x, y) in a grid `steps` long whose left edge is `left`: each row owns
// its drawn band and the spacer below it (the last row ends at the bottom line), each
// column the width from its line to the next. Outside the lines there is no cell, so a
// click can never reach a step beyond the groove.
inline std::optional<Cell> cellAt(float x, float y, int left, int steps) {
    steps = std::min(steps, kBufferSize);
    if (!std::isfinite(x) || !std::isfinite(y) || steps <= 0) return std::nullopt;
    const float right = static_cast<float>(columnX(left, steps));
    if (x < static_cast<float>(left) || x > right || y < static_cast<float>(kBottomLineY) ||
        y > static_cast<float>(kTopLineY))
        return std::nullopt;
    const int column =
        std::min(static_cast<int>((x - static_cast<float>(left)) / kStepWidth), steps - 1);
    const int row =
        std::min(static_cast<int>((static_cast<float>(kTopLineY) - y) / kRowPitch) + 1, kRowCount);
    return Cell{row, column};
}

}  // namespace pattaplex::grid
