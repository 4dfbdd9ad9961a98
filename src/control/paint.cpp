#include "paint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace pattaplex {

namespace {

// Points along a drag are looked at this far apart, far less than a cell is wide.
constexpr float kPathStep = 2.0f;

}  // namespace

void Painter::begin(grid::Cell pressed, bool on, float x, float y) {
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
        const auto at = grid::cellAt(x_ + dx * t, y_ + dy * t, s.left, s.LNG);
        if (!at || *at == last_) continue;
        last_ = *at;
        if (paint(s, last_)) ++changed;
    }
    x_ = x;
    y_ = y;
    return changed;
}

bool Painter::paint(GrooveState& s, grid::Cell cell) {
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
