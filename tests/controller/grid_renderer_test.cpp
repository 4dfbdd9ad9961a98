// The geometry a drawing pass settles: the cap of BARS, the grid's left edge and its
// length in steps, also for grid sizes no control offers.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "GridRenderer.h"
#include "fresh_start.h"

namespace pattaplex {
namespace {

// Counts the drawing operations of a pass, and keeps the last rectangle filled and the
// texts drawn with where they end.
struct CountingCanvas : Canvas {
    void fillRect(double x, double y, double w, double, Colour c) override {
        ++fills, lastX = x, lastY = y, lastWidth = w, lastColour = c;
    }
    void strokeLine(double, double, double, double, double, Colour) override { ++others; }
    void drawText(double x, double, const std::string& text, const std::string& family, double size,
                  Colour) override {
        ++others;
        texts.emplace_back(text, x + textWidth(text, family, size));
    }
    int fills = 0, others = 0;
    double lastX = 0, lastY = 0, lastWidth = 0;
    Colour lastColour;
    std::vector<std::pair<std::string, double>> texts;  // and the x where each ends
};

TEST(GridGeometry, PassesCapTheBarsAndRecordLeftAndLength) {
    struct Case {
        int bars, beats, sub, grid;
        int cappedBars, lng, left;
    };
    const Case cases[] = {
        {2, 4, 2, 1, 2, 16, 292},       // start-up
        {7, 4, 2, 1, 6, 48, 68},        // 56 steps: lowered to 48
        {3, 9, 2, 1, 3, 54, 26},        // exactly 54 steps: nothing lowered
        {INT_MAX, 4, 2, 1, 6, 48, 68},  // no overflow on the way
        {1, 9, 7, 1, 0, 0, 404},        // one bar is longer than the grid
        {7, 4, 2, 0, 6, 33, 68},        // grid off: capped, length kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bars << "x" << c.beats << "x" << c.sub);
        GrooveState s = freshStartState();
        s.BARS = c.bars, s.BEATS = c.beats, s.SUB = c.sub, s.GRID = c.grid, s.LNG = 33;
        CountingCanvas canvas;
        drawGrid(s, canvas, 808, 340);
        EXPECT_EQ(s.BARS, c.cappedBars);
        EXPECT_EQ(s.LNG, c.lng);
        EXPECT_EQ(s.left, c.left);
        EXPECT_EQ(canvas.fills, c.grid == 0 ? 1 : 2);  // with the selected row's band
        EXPECT_EQ(canvas.others == 0, c.grid == 0);    // grid off paints only the background
    }
}

// The playhead: a see-through band over its column in both schemes, only on a step shown.
TEST(GridGeometry, PlayheadBandCoversItsColumnOnly) {
    for (int dark : {0, 1})
        for (auto [step, drawn] : {std::pair{0, true}, {15, true}, {16, false}, {-1, false}}) {
            GrooveState s = freshStartState();
            s.colTOG = dark;
            s.DEMO = 0;  // no row selected: the playhead is the only band
            CountingCanvas canvas;
            drawGrid(s, canvas, 808, 340, step);
            EXPECT_EQ(canvas.fills, drawn ? 2 : 1) << step;
            if (!drawn) continue;
            EXPECT_EQ(canvas.lastX, 292 + 14 * step);
            EXPECT_EQ(canvas.lastWidth, 14);
            EXPECT_GT(canvas.lastColour.alpha, 0.1);
            EXPECT_LT(canvas.lastColour.alpha, 0.6);
        }
}

// Rows are labelled with their sounds, shortened to the room left of the grid, and the
// selected row is marked across the grid.
TEST(GridGeometry, RowsShowTheirSoundsAndTheSelectedRowStandsOut) {
    GrooveState s = freshStartState();
    s.DEMO = 3;
    CountingCanvas start;
    drawGrid(s, start, 808, 340);
    EXPECT_EQ(start.texts[0], std::pair(std::string("Ride 1"), 292.0 - 4));
    EXPECT_EQ(start.texts[2].first, "Pedal Hat");
    EXPECT_EQ(std::tie(start.lastY, start.lastWidth), std::tuple(254.0 - 16, 517.0 - 2));

    s.BARS = 3, s.BEATS = 9, s.SUB = 2;  // 54 steps leave 26 points
    CountingCanvas wide;
    drawGrid(s, wide, 808, 340);
    for (int n = 0; n < 10; ++n) {
        const auto& [label, end] = wide.texts[static_cast<size_t>(n)];
        EXPECT_EQ(end, 26 - 4) << label;
        EXPECT_LE(wide.textWidth(label, "", 10), 20) << label;
        EXPECT_TRUE(label.ends_with("\u2026")) << label;
    }
}

// Each active step shows its velocity as the height of its fill, a tick per repeat and a
// fainter bullet when it may stay silent.
TEST(GridMarks, ActiveStepsShowVelocityRepeatsAndChance) {
    struct Recording : Canvas {
        void fillRect(double x, double, double w, double h, Colour) override {
            if (w < 14) fills.push_back({x, h});  // not the background or the playhead
        }
        void strokeLine(double, double, double, double, double, Colour) override {}
        void drawText(double x, double, const std::string& text, const std::string&, double,
                      Colour c) override {
            if (text == "\u2022") bullets.push_back({x, c.alpha});
        }
        std::vector<std::pair<double, double>> fills, bullets;
    };
    GrooveState s = freshStartState();
    DrumRow& row = s.row(2);
    row.BUF[0] = row.BUF[1] = row.BUF[2] = 1;
    row.VOL[0] = 127, row.VOL[1] = 32, row.VOL[2] = 64;
    row.REP[1] = 3;
    row.CHANCE[2] = 25;
    s.row(3).REP[0] = 4, s.row(3).CHANCE[0] = 50;  // an inactive step shows nothing
    Recording canvas;
    drawGrid(s, canvas, 808, 340);
    // Step 0: a full fill; step 1: a quarter of it and three ticks; step 2: half of it.
    ASSERT_EQ(canvas.fills.size(), 6u);
    EXPECT_EQ(canvas.fills[0], std::make_pair(293.0, 14.0));
    EXPECT_EQ(canvas.fills[1].first, 307.0);
    EXPECT_NEAR(canvas.fills[1].second, 14.0 * 32 / 127, 1e-9);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(canvas.fills[2 + k].first, 308.0 + 3 * k);
    EXPECT_NEAR(canvas.fills[5].second, 14.0 * 64 / 127, 1e-9);
    ASSERT_EQ(canvas.bullets.size(), 3u);
    EXPECT_EQ(canvas.bullets[0].second, 1.0);
    EXPECT_EQ(canvas.bullets[1].second, 1.0);
    EXPECT_LT(canvas.bullets[2].second, 0.5);
}

}  // namespace
}  // namespace pattaplex
