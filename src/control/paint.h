#pragma once
// Painting by dragging: the pressed cell decides whether the drag switches cells on or
// off, and every cell the pointer then enters takes that state.

#include "GrooveState.h"
#include "grid_geometry.h"

namespace pattaplex {

class Painter {
  public:
    // Starts a drag from `pressed`, whose cell is now on or off.
    void begin(grid::Cell pressed, bool on, float x, float y);
    void end() { active_ = false; }
    bool active() const { return active_; }

    // The pointer moved to (x, y): paints every cell the path from the last point
    // enters, within the grid as drawn. Returns how many cells changed.
    int moveTo(GrooveState& s, float x, float y);

  private:
    bool paint(GrooveState& s, grid::Cell cell);

    bool active_ = false;
    bool on_ = false;
    grid::Cell last_{};
    float x_ = 0, y_ = 0;
};

}  // namespace pattaplex
