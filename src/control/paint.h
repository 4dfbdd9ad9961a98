#pragma once
// Painting by dragging: the pressed cell decides whether the drag switches cells on or
// off, and every cell the pointer then enters takes that state.

#include <optional>

#include "GrooveState.h"

namespace pattaplex {

struct GridCell {
    int row = 0;     // 1..10
    int column = 0;  // step

    friend bool operator==(const GridCell&, const GridCell&) = default;
};

class Painter {
  public:
    // Starts a drag from `pressed`, whose cell is now on or off.
    void begin(GridCell pressed, bool on, float x, float y);
    void end() { active_ = false; }
    bool active() const { return active_; }

    // The pointer moved to (x, y): paints every cell the path from the last point
    // enters, within the grid as drawn. Returns how many cells changed.
    int moveTo(GrooveState& s, float x, float y);

  private:
    bool paint(GrooveState& s, GridCell cell);

    bool active_ = false;
    bool on_ = false;
    GridCell last_;
    float x_ = 0, y_ = 0;
};

}  // namespace pattaplex
