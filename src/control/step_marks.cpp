#include "step_marks.h"

#include <algorithm>

#include "grid_geometry.h"

namespace pattaplex {

namespace {

constexpr double kFillAlpha = 0.22;
constexpr double kTickWidth = 2.0;
constexpr double kTickHeight = 3.0;

}  // namespace

void drawStepFeel(Canvas& canvas, const DrumRow& row, int step, double x, double top, Colour ink) {
    const auto i = static_cast<size_t>(step);
    const double cell = grid::kLineSpacing;
    const double velocity = std::clamp(row.VOL[i], 0, 127) / 127.0;
    Colour shade = ink;
    shade.alpha = kFillAlpha;
    canvas.fillRect(x + 1, top - cell + 1, grid::kStepWidth - 2, (cell - 2) * velocity, shade);
    const int repeats = std::clamp(row.REP[i], 1, kMostRepeats);
    if (repeats > 1)
        for (int k = 0; k < repeats; ++k)
            canvas.fillRect(x + 2 + k * (kTickWidth + 1), top - kTickHeight - 1, kTickWidth,
                            kTickHeight, ink);
}

Colour bulletColour(const DrumRow& row, int step, Colour ink) {
    const int32_t chance = std::clamp(row.CHANCE[static_cast<size_t>(step)], 0, kSurely);
    if (chance < kSurely) ink.alpha = 0.25 + 0.5 * chance / kSurely;
    return ink;
}

}  // namespace pattaplex
