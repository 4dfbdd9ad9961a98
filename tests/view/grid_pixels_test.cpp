// The grid as drawn on screen: pixels at the grid's own coordinates (origin bottom-left,
// so a view point (x, y) is the image pixel (x, height - y)).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QRect>
#include <QScreen>
#include <QTest>

#include "GridView.h"
#include "defaults.h"
#include "fresh_start.h"

namespace pattaplex {
namespace {

QImage render(GrooveState& s) {
    GridView view(s);
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor at(const QImage& image, int x, int viewY) {
    return image.pixelColor(x, image.height() - viewY);
}

bool isDark(QColor c) {
    return c.red() < 100 && c.green() < 100 && c.blue() < 100;
}
bool isReddish(QColor c) {
    return c.red() > c.green() + 50 && c.red() > c.blue() + 50;
}
bool isCyanish(QColor c) {
    return c.red() < 100 && c.green() > 150 && c.blue() > 150;
}

// The box, in view coordinates, around the pixels within `area` (view coordinates) that
// pass `test`; empty when there are none.
template <typename Test>
QRect boxOf(const QImage& image, QRect area, Test test) {
    QRect box;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            if (test(at(image, x, y))) box |= QRect(x, y, 1, 1);
    return box;
}

// Either of the two pixel columns on which a line at x lies.
template <typename Test>
bool lineAt(const QImage& image, int x, int viewY, Test test) {
    return test(at(image, x - 1, viewY)) || test(at(image, x, viewY));
}

TEST(GridPixels, LinesAndStepMarksStandAtTheirCoordinates) {
    GrooveState s = freshStartState();
    s.row(1).BUF[0] = 51;
    s.row(1).VOL[0] = 90;
    s.row(10).BUF[9] = 36;
    s.row(5).BUF[0] = 40;  // muted: no mark
    s.row(5).DV = 0;
    s.velTOG = 1;
    s.DEMO = 0;  // no row marked as selected: every colour is a line's or a mark's
    const QImage image = render(s);
    ASSERT_EQ(image.size(), QSize(GridView::kWidth, GridView::kHeight));
    const int y = 310;  // inside row 1's band
    EXPECT_EQ(at(image, 10, 10), QColor(Qt::white));
    for (int x : {291, 292, 403, 404, 516, 517}) EXPECT_TRUE(isDark(at(image, x, y))) << x;
    for (int step : {2, 4, 6, 10, 12, 14})
        EXPECT_TRUE(lineAt(image, 292 + 14 * step, y, isReddish)) << step;
    const QColor subStep = at(image, 306, y);
    EXPECT_TRUE(subStep.red() == subStep.green() && subStep.red() < 255);
    // Nothing right of the closing line or left of the row labels.
    EXPECT_EQ(at(image, 530, y), QColor(Qt::white));
    EXPECT_EQ(at(image, 250, y), QColor(Qt::white));

    // Row 1, step 0: the cell runs from x 292 to 306 and y 302 to 318.
    const QRect dot = boxOf(image, QRect(294, 298, 40, 24), isDark);
    EXPECT_TRUE(QRect(293, 303, 12, 14).contains(dot)) << dot.x() << "," << dot.y();
    EXPECT_GE(dot.width() * dot.height(), 9);
    // " 90" in the spacer band under the mark (y 286 to 302).
    const QRect number = boxOf(image, QRect(293, 284, 20, 18), isDark);
    EXPECT_TRUE(QRect(293, 286, 20, 16).contains(number) && !number.isEmpty());
    // Row 10, step 9: cell from x 418 to 432, y 14 to 30; its number under the grid.
    const QRect lowDot = boxOf(image, QRect(420, 10, 30, 25), isDark);
    EXPECT_TRUE(QRect(419, 16, 13, 14).contains(lowDot) && !lowDot.isEmpty());
    EXPECT_FALSE(boxOf(image, QRect(419, 1, 14, 11), isDark).isEmpty());
    EXPECT_TRUE(boxOf(image, QRect(294, 170, 11, 16), isDark).isEmpty());
}

TEST(GridPixels, DarkSchemeColours) {
    GrooveState s = freshStartState();
    s.colTOG = 1;
    s.row(1).BUF[0] = 51;
    s.DEMO = 0;
    const QImage image = render(s);
    EXPECT_EQ(at(image, 10, 10), QColor(Qt::black));
    for (auto [x, y] : {std::pair{291, 310}, {517, 310}, {350, 318}})
        EXPECT_EQ(at(image, x, y), QColor(Qt::white)) << x << "," << y;
    EXPECT_TRUE(lineAt(image, 320, 310, isReddish));
    EXPECT_FALSE(boxOf(image, QRect(294, 302, 11, 16), isCyanish).isEmpty());  // the mark
    EXPECT_FALSE(boxOf(image, QRect(262, 300, 25, 18), isCyanish).isEmpty());  // the label
}

// The largest difference of one colour channel between two images of one size.
int largestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            largest = std::max({largest, std::abs(p.red() - q.red()),
                                std::abs(p.green() - q.green()), std::abs(p.blue() - q.blue())});
        }
    return largest;
}

// While the groove plays, only the columns the playhead leaves and enters are painted
// again: what the screen then shows is the whole grid painted afresh (to a shade of
// antialiasing), nothing left behind.
TEST(GridPixels, APlayheadMovingOnLeavesNothingBehind) {
    GrooveState s = freshStartState();
    s.row(3).BUF[4] = 100;
    s.row(5).BUF[5] = 100;
    GridView view(s);
    view.resize(GridView::kWidth + 37, GridView::kHeight + 23);  // scaled, off-centre
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (int step : {3, 4, 5, 15, -1, 0}) {
        view.setPlayhead(step);
        QApplication::processEvents();
        const QImage shown = view.screen()->grabWindow(view.winId()).toImage();
        const QImage whole = view.grab().toImage();
        ASSERT_EQ(shown.size(), whole.size());
        EXPECT_LE(largestDifference(shown, whole), 2) << "after moving to step " << step;
    }
}

}  // namespace
}  // namespace pattaplex
