#include "GridRenderer.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace pattaplex {

namespace {

constexpr double kThickLine = 2.2;
constexpr double kThinLine = 0.8;
constexpr int kHorizontalLines = 20;
constexpr const char* kBullet = "\u2022";

struct Scheme {
    Colour background;
    Colour horizontalLines;
    Colour barLines;
    Colour text;
    Colour playhead;
};

Scheme schemeFor(const GrooveState& s) {
    if (s.colTOG != 0)
        return {
            colours::black, colours::white, colours::white, colours::cyan, {1.0, 0.8, 0.1, 0.35}};
    return {colours::white, colours::grey, colours::black, colours::black, {0.1, 0.45, 1.0, 0.25}};
}

template <typename... Args>
std::string format(const char* pattern, Args... args) {
    char text[32];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

bool stepShown(const DrumRow& row, int step) {
    return row.BUF[static_cast<size_t>(step)] != 0 && row.DV != 0;
}

}  // namespace

Colour gridBackground(const GrooveState& s) {
    return schemeFor(s).background;
}

int capGrid(GrooveState& s) {
    s.BARS = cappedBars(s.BARS, s.BEATS, s.SUB);
    return stepCount(s);
}

void drawGrid(GrooveState& s, Canvas& canvas, double width, double height, int playhead) {
    const Scheme scheme = schemeFor(s);
    canvas.fillRect(0, 0, width, height, scheme.background);

    const int steps = capGrid(s);
    s.left = grid::kCentreX - 7 * steps;
    if (s.GRID == 0) return;

    const int left = s.left;
    const int right = left + grid::kStepWidth * steps;
    for (int i = 0; i < kHorizontalLines; ++i) {
        const double lineWidth = (i == 0 || i == kHorizontalLines - 1) ? kThickLine : kThinLine;
        const double y = grid::kTopLineY - 16 * i;
        canvas.strokeLine(left - 1, y, right + 1, y, lineWidth, scheme.horizontalLines);
        if (i % 2 == 0)
            canvas.drawText(left - 30, 303 - 16 * i, format("Dr%2d", i / 2 + 1), grid::kFontFamily,
                            10, scheme.text);
    }
    s.LNG = steps;

    // With any steps at all, every factor is positive and the product at most 54.
    const int stepsPerBar = steps > 0 ? s.SUB * s.BEATS : 1;
    for (int step = 0; step < steps; ++step) {
        const int x = left + grid::kStepWidth * step;
        double lineWidth = kThinLine;
        Colour lineColour = colours::grey;
        if (step % stepsPerBar == 0) {
            canvas.drawText(x - 1, 322, format("%d", step / stepsPerBar + 1), grid::kFontFamily, 8,
                            scheme.text);
            lineWidth = kThickLine;
            lineColour = scheme.barLines;
        } else if (step % s.SUB == 0) {
            lineColour = colours::red;
        }
        canvas.strokeLine(x, 317, x, 15, lineWidth, lineColour);

        for (int n = 1; n <= kRowCount; ++n)
            if (stepShown(s.row(n), step))
                canvas.drawText(x, 297 - grid::kRowPitch * (n - 1), kBullet, grid::kFontFamily, 25,
                                scheme.text);
        if (s.velTOG != 0)
            for (int n = 1; n <= kRowCount; ++n)
                if (stepShown(s.row(n), step))
                    canvas.drawText(x, 290 - grid::kRowPitch * (n - 1),
                                    format("%3d", s.row(n).VOL[static_cast<size_t>(step)]),
                                    grid::kFontFamily, 7, scheme.text);
    }

    canvas.strokeLine(right + 1, 319, right + 1, 13, kThickLine, scheme.barLines);

    // The step being heard: a translucent band over the ten rows of its column.
    if (playhead >= 0 && playhead < steps)
        canvas.fillRect(left + grid::kStepWidth * playhead, 15, grid::kStepWidth, 302,
                        scheme.playhead);
}

}  // namespace pattaplex
