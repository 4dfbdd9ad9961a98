#include "GridRenderer.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "names.h"
#include "step_marks.h"

namespace pattaplex {

namespace {

constexpr double kThickLine = 2.2;
constexpr double kThinLine = 0.8;
constexpr int kHorizontalLines = 20;
constexpr const char* kBullet = "\u2022";

constexpr double kLabelSize = 10;
constexpr double kLabelGap = 4;     // between a row's name and the grid
constexpr double kLabelMargin = 2;  // between a row's name and the view's edge
constexpr const char* kEllipsis = "\u2026";

struct Scheme {
    Colour background;
    Colour horizontalLines;
    Colour barLines;
    Colour text;
    Colour playhead;
    Colour selectedRow;
};

Scheme schemeFor(const GrooveState& s) {
    if (s.colTOG != 0)
        return {colours::black, colours::white,        colours::white,
                colours::cyan,  {1.0, 0.8, 0.1, 0.35}, {1.0, 0.8, 0.1, 0.22}};
    return {colours::white, colours::grey,          colours::black,
            colours::black, {0.1, 0.45, 1.0, 0.25}, {1.0, 0.75, 0.0, 0.28}};
}

// `text` cut at a character boundary, with an ellipsis, until it is at most `room` wide;
// "" when not even the ellipsis fits.
std::string shortened(Canvas& canvas, const std::string& text, double room) {
    const auto fits = [&](const std::string& t) {
        return canvas.textWidth(t, grid::kFontFamily, kLabelSize) <= room;
    };
    if (fits(text)) return text;
    for (size_t end = text.size(); end-- > 0;) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) continue;  // mid-character
        const std::string cut = text.substr(0, end) + kEllipsis;
        if (fits(cut)) return cut;
    }
    return "";
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

// Row n's name as the panel shows it, or its number when the note has no name.
std::string rowLabel(const GrooveState& s, int n) {
    return soundName(s.KIT, s.row(n).DR).value_or(format("Dr%2d", n));
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
    // The selected row stands out across its names and its steps.
    if (s.isRowNumber(s.DEMO))
        canvas.fillRect(kLabelMargin, grid::rowTop(s.DEMO) - grid::kLineSpacing,
                        right + 1 - kLabelMargin, grid::kLineSpacing, scheme.selectedRow);
    // Each row's sound, right against the grid, shortened to the room left of it.
    const double room = left - kLabelGap - kLabelMargin;
    for (int n = 1; n <= kRowCount; ++n) {
        const std::string label = shortened(canvas, rowLabel(s, n), room);
        if (label.empty()) continue;
        const double width = canvas.textWidth(label, grid::kFontFamily, kLabelSize);
        canvas.drawText(left - kLabelGap - width, grid::rowTop(n) - 15, label, grid::kFontFamily,
                        kLabelSize, scheme.text);
    }
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
