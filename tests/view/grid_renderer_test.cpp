// The drawing pass as a list of operations: geometry it settles, what it draws and in
// which colours, and its safety with grid sizes that no control offers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "GridRenderer.h"
#include "RecordingCanvas.h"
#include "defaults.h"

namespace pattaplex {
namespace {

GrooveState startUpGroove() {
    return freshStartState();
}

RecordingCanvas draw(GrooveState& s) {
    RecordingCanvas canvas;
    drawGrid(s, canvas, 808, 340);
    return canvas;
}

// The vertical step lines, in drawing order (the closing line is the last vertical).
std::vector<DrawnLine> stepLines(const RecordingCanvas& c) {
    std::vector<DrawnLine> out;
    for (const DrawnLine& l : c.lines)
        if (l.x1 == l.x2 && l.y1 == 317 && l.y2 == 15) out.push_back(l);
    return out;
}

std::vector<DrawnText> textsOfSize(const RecordingCanvas& c, double size) {
    std::vector<DrawnText> out;
    std::copy_if(c.texts.begin(), c.texts.end(), std::back_inserter(out),
                 [size](const DrawnText& t) { return t.size == size; });
    return out;
}

TEST(GridGeometry, StartUpGridIsCentredWithSixteenSteps) {
    GrooveState s = startUpGroove();
    s.LNG = 0;
    RecordingCanvas c = draw(s);
    EXPECT_EQ(s.BARS, 2);
    EXPECT_EQ(s.left, 292);
    EXPECT_EQ(s.LNG, 16);

    ASSERT_EQ(c.fills.size(), 1u);
    EXPECT_EQ(c.fills[0].width, 808);
    EXPECT_EQ(c.fills[0].height, 340);
    EXPECT_EQ(c.fills[0].colour, colours::white);

    // Twenty horizontal lines from 291 to 517, thick at the top and the bottom.
    std::vector<DrawnLine> horizontal;
    for (const DrawnLine& l : c.lines)
        if (l.y1 == l.y2) horizontal.push_back(l);
    ASSERT_EQ(horizontal.size(), 20u);
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(horizontal[i].y1, 318 - 16.0 * i);
        EXPECT_EQ(horizontal[i].x1, 291);
        EXPECT_EQ(horizontal[i].x2, 517);
        EXPECT_EQ(horizontal[i].width, (i == 0 || i == 19) ? 2.2 : 0.8);
        EXPECT_EQ(horizontal[i].colour, colours::grey);
    }

    const std::vector<DrawnLine> steps = stepLines(c);
    ASSERT_EQ(steps.size(), 16u);
    for (size_t s = 0; s < 16; ++s) {
        EXPECT_EQ(steps[s].x1, 292 + 14.0 * s);
        if (s % 8 == 0) {
            EXPECT_EQ(steps[s].colour, colours::black);
            EXPECT_EQ(steps[s].width, 2.2);
        } else if (s % 2 == 0) {
            EXPECT_EQ(steps[s].colour, colours::red) << s;
            EXPECT_EQ(steps[s].width, 0.8);
        } else {
            EXPECT_EQ(steps[s].colour, colours::grey) << s;
        }
    }

    const DrawnLine& closing = c.lines.back();
    EXPECT_EQ(closing.x1, 517);
    EXPECT_EQ(closing.y1, 319);
    EXPECT_EQ(closing.y2, 13);
    EXPECT_EQ(closing.width, 2.2);
    EXPECT_EQ(closing.colour, colours::black);
}

TEST(GridGeometry, LabelsAndBarNumbersStandWhereTheGridNeedsThem) {
    GrooveState s = startUpGroove();
    RecordingCanvas c = draw(s);

    const std::vector<DrawnText> labels = textsOfSize(c, 10);
    ASSERT_EQ(labels.size(), 10u);
    EXPECT_EQ(labels[0].text, "Dr 1");
    EXPECT_EQ(labels[9].text, "Dr10");
    for (size_t n = 0; n < 10; ++n) {
        EXPECT_EQ(labels[n].x, 262);
        EXPECT_EQ(labels[n].y, 303 - 32.0 * n);
        EXPECT_EQ(labels[n].family, "Lucida Grande");
        EXPECT_EQ(labels[n].colour, colours::black);
    }

    const std::vector<DrawnText> bars = textsOfSize(c, 8);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[0].text, "1");
    EXPECT_EQ(bars[0].x, 291);
    EXPECT_EQ(bars[0].y, 322);
    EXPECT_EQ(bars[1].text, "2");
    EXPECT_EQ(bars[1].x, 403);
}

TEST(GridGeometry, CapLowersBarsToFitFiftyFourSteps) {
    GrooveState s = startUpGroove();
    s.BARS = 7;  // 56 steps
    draw(s);
    EXPECT_EQ(s.BARS, 6);
    EXPECT_EQ(s.LNG, 48);
    EXPECT_EQ(s.left, 68);

    s.BARS = 3, s.BEATS = 9, s.SUB = 2;  // exactly 54 steps: nothing lowered
    RecordingCanvas c = draw(s);
    EXPECT_EQ(s.BARS, 3);
    EXPECT_EQ(s.LNG, 54);
    EXPECT_EQ(s.left, 26);
    EXPECT_EQ(textsOfSize(c, 10)[0].x, -4);
}

TEST(GridGeometry, GridOffPaintsOnlyTheBackgroundButStillCaps) {
    GrooveState s = startUpGroove();
    s.GRID = 0;
    s.LNG = 33;
    s.BARS = 7;
    RecordingCanvas c = draw(s);
    EXPECT_EQ(c.fills.size(), 1u);
    EXPECT_TRUE(c.lines.empty());
    EXPECT_TRUE(c.texts.empty());
    EXPECT_EQ(s.LNG, 33);
    EXPECT_EQ(s.BARS, 6);
    EXPECT_EQ(s.left, 68);
}

TEST(GridGeometry, BarLongerThanTheGridLeavesAnEmptyGrid) {
    GrooveState s = startUpGroove();
    s.BEATS = 9, s.SUB = 7;  // 63 steps in one bar
    RecordingCanvas c = draw(s);
    EXPECT_EQ(s.BARS, 0);
    EXPECT_EQ(s.LNG, 0);
    EXPECT_EQ(s.left, 404);
    EXPECT_TRUE(stepLines(c).empty());
    EXPECT_EQ(c.lines.front().x1, 403);
    EXPECT_EQ(c.lines.front().x2, 405);
    EXPECT_EQ(c.lines.back().x1, 405);
}

TEST(GridGeometry, NonsenseSizesDrawAnEmptyGrid) {
    const int sizes[][3] = {
        {0, 4, 2},        {2, 0, 2},    {2, 4, 0},       {-3, 4, 2},
        {2, -4, 2},       {-2, -4, -2}, {INT_MAX, 4, 2}, {INT_MAX, INT_MAX, INT_MAX},
        {INT_MIN, -1, 1}, {-5, -4, -3}};
    for (const auto& size : sizes) {
        GrooveState s = startUpGroove();
        s.BARS = size[0], s.BEATS = size[1], s.SUB = size[2];
        draw(s);
        EXPECT_GE(s.LNG, 0);
        EXPECT_LE(s.LNG, 54);
        EXPECT_EQ(s.left, 404 - 7 * s.LNG);
    }
    GrooveState s = startUpGroove();
    s.BARS = INT_MAX;
    draw(s);
    EXPECT_EQ(s.BARS, 6);
    EXPECT_EQ(s.LNG, 48);
}

TEST(GridMarks, ActiveStepsOfSoundingRowsGetBulletsAndVelocities) {
    GrooveState s = startUpGroove();
    s.row(1).BUF[0] = 51;
    s.row(1).VOL[0] = 5;
    s.row(10).BUF[15] = 36;
    s.row(10).VOL[15] = 127;
    s.row(4).BUF[3] = 68;  // muted below
    s.row(4).DV = 0;
    s.velTOG = 1;
    RecordingCanvas c = draw(s);

    const std::vector<DrawnText> marks = textsOfSize(c, 25);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].text, "\u2022");
    EXPECT_EQ(marks[0].x, 292);
    EXPECT_EQ(marks[0].y, 297);
    EXPECT_EQ(marks[1].x, 292 + 14 * 15);
    EXPECT_EQ(marks[1].y, 9);

    const std::vector<DrawnText> velocities = textsOfSize(c, 7);
    ASSERT_EQ(velocities.size(), 2u);
    EXPECT_EQ(velocities[0].text, "  5");
    EXPECT_EQ(velocities[0].y, 290);
    EXPECT_EQ(velocities[1].text, "127");
    EXPECT_EQ(velocities[1].y, 2);

    s.velTOG = 0;
    s.row(4).DV = 60;  // unmuted: its mark shows again
    c = draw(s);
    EXPECT_TRUE(textsOfSize(c, 7).empty());
    EXPECT_EQ(textsOfSize(c, 25).size(), 3u);
}

TEST(GridMarks, SingleStepBeatsMakeEveryInnerLineRed) {
    GrooveState s = startUpGroove();
    s.SUB = 1;
    RecordingCanvas c = draw(s);
    const std::vector<DrawnLine> steps = stepLines(c);
    ASSERT_EQ(steps.size(), 8u);
    for (size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(steps[i].colour, i % 4 == 0 ? colours::black : colours::red) << i;
}

TEST(GridMarks, DarkSchemeKeepsBeatAndSubStepColours) {
    GrooveState s = startUpGroove();
    s.colTOG = 1;
    s.row(2).BUF[1] = 37;
    RecordingCanvas c = draw(s);
    EXPECT_EQ(c.fills[0].colour, colours::black);
    EXPECT_EQ(c.lines.front().colour, colours::white);
    EXPECT_EQ(c.lines.back().colour, colours::white);
    const std::vector<DrawnLine> steps = stepLines(c);
    EXPECT_EQ(steps[0].colour, colours::white);
    EXPECT_EQ(steps[1].colour, colours::grey);
    EXPECT_EQ(steps[2].colour, colours::red);
    for (const DrawnText& t : c.texts) EXPECT_EQ(t.colour, colours::cyan) << t.text;
}

}  // namespace
}  // namespace pattaplex
