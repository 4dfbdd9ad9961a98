#include "paint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace pattaplex {

namespace {

// Click bands, rows 1..10 from the top: {lowest y, highest y}, inclusive.
constexpr std::pair<int, int> kBands[kRowCount] = {
    {301, 317}, {269, 285}, {239, 251}, {205, 221}, {175, 187},
    {141, 155}, {111, 125}, {79, 93},   {47, 61},   {15, 29},
};

// Points along a drag are looked at this far apart, less than the narrowest band.
constexpr float kPathStep = 2.0f;

}  // namespace

std::optional<GridCell> cellAt(const GrooveState& s, float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
    const int64_t xi = static_cast<int64_t>(std::clamp(x, -1.0e9f, 1.0e9f));
    const int64_t yi = static_cast<int64_t>(std::clamp(y, -1.0e9f, 1.0e9f));
    const int64_t column = (xi - s.left) / 14;
    if (column < 0 || column >= kBufferSize) return std::nullopt;
    for (int n = 1; n <= kRowCount; ++n)
        if (yi >= kBands[n - 1].first && yi <= kBands[n - 1].second)
            return GridCell{n, static_cast<int>(column)};
    return std::nullopt;
}

void Painter::begin(GridCell pressed, bool on, float x, float y) {
    active_ = true;
    on_ = on;
    last_ = pressed;
    x_ = x;
    y_ = y;
}

int Painter::moveTo(GrooveState& s, float x, float y) {
    if (!active_ || !std::isfinite(x) || !std::isfinite(y)) return 0;
    const float dx = x - x_, dy = y - y_;
    const int points = std::clamp(static_cast<int>(std::hypot(dx, dy) / kPathStep), 1, 4096);
    int changed = 0;
    for (int i = 1; i <= points; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(points);
        const auto cell = cellAt(s, x_ + dx * t, y_ + dy * t);
        if (!cell || *cell == last_) continue;
        last_ = *cell;
        if (paint(s, *cell)) ++changed;
    }
    x_ = x;
    y_ = y;
    return changed;
}

bool Painter::paint(GrooveState& s, GridCell cell) {
    // Only the steps the grid shows are painted.
    if (cell.column >= std::min(s.LNG, kBufferSize)) return false;
    DrumRow& row = s.row(cell.row);
    int32_t& step = row.BUF[static_cast<size_t>(cell.column)];
    const int32_t wanted = on_ ? row.DR : 0;
    if ((step != 0) == on_) return false;
    step = wanted;
    row.VOL[static_cast<size_t>(cell.column)] = row.DV;
    return true;
}

}  // namespace pattaplex
