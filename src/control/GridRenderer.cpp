#include "GridRenderer.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "step_marks.h"

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
    s.left = grid::gridLeft(steps);
    if (s.GRID == 0) return;

    const int left = s.left;
    const int right = grid::columnX(left, steps);
    for (int i = 0; i < kHorizontalLines; ++i) {
        const double lineWidth = (i == 0 || i == kHorizontalLines - 1) ? kThickLine : kThinLine;
        const double y = grid::lineY(i);
        canvas.strokeLine(left - 1, y, right + 1, y, lineWidth, scheme.horizontalLines);
    }
    for (int n = 1; n <= kRowCount; ++n)
        canvas.drawText(left - 30, grid::rowTop(n) - 15, format("Dr%2d", n), grid::kFontFamily, 10,
                        scheme.text);
    s.LNG = steps;

    // With any steps at all, every factor is positive and the product at most 54.
    const int stepsPerBar = steps > 0 ? s.SUB * s.BEATS : 1;
    for (int step = 0; step < steps; ++step) {
        const int x = grid::columnX(left, step);
        double lineWidth = kThinLine;
        Colour lineColour = colours::grey;
        if (step % stepsPerBar == 0) {
            canvas.drawText(x - 1, grid::kTopLineY + 4, format("%d", step / stepsPerBar + 1),
                            grid::kFontFamily, 8, scheme.text);
            lineWidth = kThickLine;
            lineColour = scheme.barLines;
        } else if (step % s.SUB == 0) {
            lineColour = colours::red;
        }
        canvas.strokeLine(x, grid::kTopLineY - 1, x, grid::kBottomLineY + 1, lineWidth, lineColour);

        for (int n = 1; n <= kRowCount; ++n)
            if (stepShown(s.row(n), step)) {
                drawStepFeel(canvas, s.row(n), step, x, grid::rowTop(n), scheme.text);
                canvas.drawText(x, grid::rowTop(n) - 21, kBullet, grid::kFontFamily, 25,
                                bulletColour(s.row(n), step, scheme.text));
            }
        if (s.velTOG != 0)
            for (int n = 1; n <= kRowCount; ++n)
                if (stepShown(s.row(n), step))
                    canvas.drawText(x, grid::rowTop(n) - 28,
                                    format("%3d", s.row(n).VOL[static_cast<size_t>(step)]),
                                    grid::kFontFamily, 7, scheme.text);
    }

    canvas.strokeLine(right + 1, grid::kTopLineY + 1, right + 1, grid::kBottomLineY - 1, kThickLine,
                      scheme.barLines);

    // The step being heard: a translucent band over the ten rows of its column.
    if (playhead >= 0 && playhead < steps)
        canvas.fillRect(grid::columnX(left, playhead), grid::kBottomLineY, grid::kStepWidth,
                        grid::kTopLineY - grid::kBottomLineY, scheme.playhead);
}

}  // namespace pattaplex
