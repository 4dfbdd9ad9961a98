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

QtCanvas::QtCanvas(QPainter& painter, double viewHeight, FontCache& fonts)
    : painter_(painter), height_(viewHeight), fonts_(fonts) {
    painter_.setRenderHint(QPainter::Antialiasing);
    painter_.setRenderHint(QPainter::TextAntialiasing);
}

void QtCanvas::fillRect(double x, double y, double width, double height, Colour colour) {
    // The rectangle's top-left corner in Qt is its upper corner in view coordinates.
    painter_.fillRect(QRectF(toQt(x, y + height), QSizeF(width, height)), toQColor(colour));
}

void QtCanvas::strokeLine(double x1, double y1, double x2, double y2, double lineWidth,
                          Colour colour) {
    QPen pen(toQColor(colour), lineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    painter_.setPen(pen);
    painter_.drawLine(toQt(x1, y1), toQt(x2, y2));
}

void QtCanvas::drawText(double x, double y, const std::string& text, const std::string& family,
                        double size, Colour colour) {
    const ResolvedFont& resolved = resolve(family, size);
    painter_.setFont(resolved.font);
    painter_.setPen(toQColor(colour));
    // The line box's lower edge lies a descent below the baseline.
    const QPointF baseline = toQt(x, y) - QPointF(0, resolved.descent);
    painter_.drawText(baseline, QString::fromStdString(text));
}

double QtCanvas::textWidth(const std::string& text, const std::string& family, double size) {
    return QFontMetricsF(resolve(family, size).font)
        .horizontalAdvance(QString::fromStdString(text));
}

const QtCanvas::ResolvedFont& QtCanvas::resolve(const std::string& family, double size) {
    const auto key = std::make_pair(family, size);
    auto found = fonts_.find(key);
    if (found == fonts_.end()) {
        QFont font = fontFor(family, size);
        found = fonts_.emplace(key, ResolvedFont{font, QFontMetricsF(font).descent()}).first;
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
