#include "QtCanvas.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPen>

namespace pattaplex {

namespace {

QColor toQColor(Colour c) {
    return QColor::fromRgbF(c.red, c.green, c.blue, c.alpha);
}

}  // namespace

QtCanvas::QtCanvas(QPainter& painter, double viewHeight, FontCache& fonts, const QRectF& visible)
    : painter_(painter), height_(viewHeight), fonts_(fonts), visible_(visible) {
    painter_.setRenderHint(QPainter::Antialiasing);
    painter_.setRenderHint(QPainter::TextAntialiasing);
}

bool QtCanvas::unseen(const QRectF& box) const {
    return !visible_.isEmpty() && !box.intersects(visible_);
}

void QtCanvas::fillRect(double x, double y, double width, double height, Colour colour) {
    // The rectangle's top-left corner in Qt is its upper corner in view coordinates.
    const QRectF box(toQt(x, y + height), QSizeF(width, height));
    if (unseen(box)) return;
    painter_.fillRect(box, toQColor(colour));
}

void QtCanvas::strokeLine(double x1, double y1, double x2, double y2, double lineWidth,
                          Colour colour) {
    const double reach = lineWidth / 2 + 1;
    if (unseen(
            QRectF(toQt(x1, y1), toQt(x2, y2)).normalized().adjusted(-reach, -reach, reach, reach)))
        return;
    QPen pen(toQColor(colour), lineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    painter_.setPen(pen);
    painter_.drawLine(toQt(x1, y1), toQt(x2, y2));
}

void QtCanvas::drawText(double x, double y, const std::string& text, const std::string& family,
                        double size, Colour colour) {
    // A generous box (an em a character, more above and below) around the text.
    const QPointF at = toQt(x, y);
    if (unseen(QRectF(at.x() - size, at.y() - 2 * size,
                      size * (static_cast<double>(text.size()) + 2), 3 * size)))
        return;
    const ResolvedFont& resolved = resolve(family, size);
    painter_.setFont(resolved.font);
    painter_.setPen(toQColor(colour));
    // The line box's lower edge lies a descent below the baseline.
    const QPointF baseline = toQt(x, y) - QPointF(0, resolved.descent);
    painter_.drawText(baseline, QString::fromStdString(text));
}

double QtCanvas::textWidth(const std::string& text, const std::string& family, double size) {
    // The same few names are measured at every paint; shaping them each time is not free.
    ResolvedFont& resolved = resolve(family, size);
    if (const auto known = resolved.widths.find(text); known != resolved.widths.end())
        return known->second;
    if (resolved.widths.size() >= kMaxWidthsKept) resolved.widths.clear();
    const double width =
        QFontMetricsF(resolved.font).horizontalAdvance(QString::fromStdString(text));
    resolved.widths.emplace(text, width);
    return width;
}

QtCanvas::ResolvedFont& QtCanvas::resolve(const std::string& family, double size) {
    const auto key = std::make_pair(family, size);
    auto found = fonts_.find(key);
    if (found == fonts_.end()) {
        QFont font = fontFor(family, size);
        found = fonts_.emplace(key, ResolvedFont{font, QFontMetricsF(font).descent(), {}}).first;
    }
    return found->second;
}

QFont QtCanvas::fontFor(const std::string& family, double size) {
    const QString wanted = QString::fromStdString(family);
    QFont font = QFontDatabase::hasFamily(wanted)
                     ? QFont(wanted)
                     : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    // Sizes are in view units, which are the widget's pixels.
    font.setPixelSize(qRound(size));
    return font;
}

}  // namespace pattaplex
