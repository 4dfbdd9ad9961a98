#pragma once
// Where the step grid sits in its view, in view coordinates (origin bottom-left). The
// drawing pass, mouse editing, the row panel beside the grid and the fresh start all
// place the grid from here.

#include <algorithm>
#include <cmath>
#include <cstdint>
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

// Clicks land in a row when their y falls in its band, ends included. The bands leave
// gaps between the rows, where a click toggles nothing.
struct Band {
    int low, high;
};
constexpr Band kClickBands[kRowCount] = {
    {301, 317}, {269, 285}, {239, 251}, {205, 221}, {175, 187},
    {141, 155}, {111, 125}, {79, 93},   {47, 61},   {15, 29},
};

// A view coordinate as a whole number, non-finite values as 0.
inline int truncateCoordinate(float v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::min(std::max(v, -1.0e9f), 1.0e9f));
}

// The column under x (truncated towards zero, so it may be outside the grid).
inline int32_t columnAt(float x, int left) {
    return static_cast<int32_t>((int64_t{truncateCoordinate(x)} - left) / kStepWidth);
}
// The row whose band holds y, or 0.
inline int rowAt(float y) {
    const int yi = truncateCoordinate(y);
    for (int n = 1; n <= kRowCount; ++n)
        if (yi >= kClickBands[n - 1].low && yi <= kClickBands[n - 1].high) return n;
    return 0;
}

struct Cell {
    int row;     // 1..10
    int column;  // an index into the step buffers

    friend bool operator==(const Cell&, const Cell&) = default;
};
// The cell under (x, y), or nothing outside the rows' bands and the step buffers.
inline std::optional<Cell> cellAt(float x, float y, int left) {
    const int row = rowAt(y);
    const int32_t column = columnAt(x, left);
    if (row == 0 || column < 0 || column >= kBufferSize) return std::nullopt;
    return Cell{row, column};
}

}  // namespace pattaplex::grid
