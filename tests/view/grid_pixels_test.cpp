// The grid as drawn on screen: pixels at the grid's own coordinates (origin bottom-left,
// so a view point (x, y) is the image pixel (x, height - y)).
#include <gtest/gtest.h>

#include <QImage>
#include <QRect>

#include "GridView.h"
#include "defaults.h"

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
// satisfy `test`; empty when there are none.
template <typename Test>
QRect boxOf(const QImage& image, QRect area, Test test) {
    int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            if (test(at(image, x, y))) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    if (minX > maxX) return {};
    return QRect(QPoint(minX, minY), QPoint(maxX, maxY));
}

// Either of the two pixel columns on which a line at x lies.
template <typename Test>
bool lineAt(const QImage& image, int x, int viewY, Test test) {
    return test(at(image, x - 1, viewY)) || test(at(image, x, viewY));
}

TEST(GridPixels, StartUpGridLinesStandAtTheirCoordinates) {
    GrooveState s = freshStartState();
    const QImage image = render(s);
    ASSERT_EQ(image.size(), QSize(GridView::kWidth, GridView::kHeight));

    const int midRow1 = 310;  // between horizontal lines
    EXPECT_EQ(at(image, 10, 10), QColor(Qt::white));
    EXPECT_TRUE(isDark(at(image, 291, midRow1)) && isDark(at(image, 292, midRow1)));
    EXPECT_TRUE(isDark(at(image, 403, midRow1)) && isDark(at(image, 404, midRow1)));
    EXPECT_TRUE(isDark(at(image, 516, midRow1)) && isDark(at(image, 517, midRow1)));
    for (int step : {2, 4, 6, 10, 12, 14})
        EXPECT_TRUE(lineAt(image, 292 + 14 * step, midRow1, isReddish)) << step;
    const QColor subStep = at(image, 306, midRow1);
    EXPECT_EQ(subStep.red(), subStep.green());
    EXPECT_LT(subStep.red(), 255);
    EXPECT_FALSE(lineAt(image, 306, midRow1, isReddish));
    // Nothing right of the closing line or left of the row labels.
    EXPECT_EQ(at(image, 530, midRow1), QColor(Qt::white));
    EXPECT_EQ(at(image, 250, midRow1), QColor(Qt::white));
    // The row label of row 1 stands left of the grid, within its band.
    const QRect label = boxOf(image, QRect(255, 295, 35, 30), isDark);
    ASSERT_FALSE(label.isEmpty());
    EXPECT_GE(label.left(), 262);
    EXPECT_GE(label.top(), 302);
    EXPECT_LE(label.bottom(), 318);
}

TEST(GridPixels, StepMarkDotLiesInsideItsCellWithItsVelocityBelow) {
    GrooveState s = freshStartState();
    s.row(1).BUF[0] = 51;
    s.row(1).VOL[0] = 90;
    s.row(10).BUF[9] = 36;
    s.velTOG = 1;
    const QImage image = render(s);

    // Row 1, step 0: the cell runs from x 292 to 306 and y 302 to 318; the bar number
    // stands above y 322 and the velocity below y 298.
    const QRect dot = boxOf(image, QRect(294, 298, 40, 24), isDark);
    ASSERT_FALSE(dot.isEmpty());
    EXPECT_GT(dot.left(), 292);
    EXPECT_LT(dot.right(), 306);
    EXPECT_GT(dot.top(), 302);
    EXPECT_LT(dot.bottom(), 318);
    EXPECT_GE(dot.width() * dot.height(), 9);

    // " 90" in the spacer band under the mark (y 286 to 302).
    const QRect number = boxOf(image, QRect(293, 284, 20, 18), isDark);
    ASSERT_FALSE(number.isEmpty());
    EXPECT_GE(number.top(), 286);
    EXPECT_LT(number.bottom(), 302);

    // Row 10, step 9: cell from x 418 to 432, y 14 to 30; its number under the grid.
    const QRect lowDot = boxOf(image, QRect(420, 10, 30, 25), isDark);
    ASSERT_FALSE(lowDot.isEmpty());
    EXPECT_GT(lowDot.left(), 418);
    EXPECT_LT(lowDot.right(), 432);
    EXPECT_GT(lowDot.top(), 15);
    EXPECT_LT(lowDot.bottom(), 30);
    EXPECT_FALSE(boxOf(image, QRect(419, 1, 14, 11), isDark).isEmpty());
}

TEST(GridPixels, DarkSchemeColours) {
    GrooveState s = freshStartState();
    s.colTOG = 1;
    s.row(1).BUF[0] = 51;
    const QImage image = render(s);
    const QColor white(Qt::white);
    EXPECT_EQ(at(image, 10, 10), QColor(Qt::black));
    EXPECT_EQ(at(image, 291, 310), white);
    EXPECT_EQ(at(image, 517, 310), white);
    EXPECT_EQ(at(image, 350, 318), white);  // top horizontal line
    EXPECT_TRUE(lineAt(image, 320, 310, isReddish));
    EXPECT_FALSE(boxOf(image, QRect(294, 302, 11, 16), isCyanish).isEmpty());
    EXPECT_FALSE(boxOf(image, QRect(262, 300, 25, 18), isCyanish).isEmpty());
}

}  // namespace
}  // namespace pattaplex
