#pragma once
// The grid's canvas on a QPainter. Qt's y axis points down; this is the one place where
// view coordinates (origin bottom-left) are flipped into Qt's.

#include <QFont>
#include <QPainter>
#include <map>
#include <string>
#include <utility>

#include "Canvas.h"

namespace pattaplex {

class QtCanvas : public Canvas {
  public:
    struct ResolvedFont {
        QFont font;
        double descent;
        std::map<std::string, double> widths;  // of the texts measured in it
    };
    // The fonts resolved by a widget's canvases, by family and size, kept by the widget
    // from paint to paint: looking a family up asks fontconfig, too slow for every paint.
    using FontCache = std::map<std::pair<std::string, double>, ResolvedFont>;

    // `viewHeight` is the height of the painted area in Qt's coordinates; text wholly
    // outside `visible` (in the painter's coordinates) is not laid out at all.
    QtCanvas(QPainter& painter, double viewHeight, FontCache& fonts,
             const QRectF& visible = QRectF());

    void fillRect(double x, double y, double width, double height, Colour colour) override;
    void strokeLine(double x1, double y1, double x2, double y2, double lineWidth,
                    Colour colour) override;
    void drawText(double x, double y, const std::string& text, const std::string& family,
                  double size, Colour colour) override;
    double textWidth(const std::string& text, const std::string& family, double size) override;

    // The font the canvas draws `family` at `size` points with: that family when it is
    // installed, else the system's sans-serif face.
    static QFont fontFor(const std::string& family, double size);

  private:
    QPointF toQt(double x, double y) const { return {x, height_ - y}; }

    ResolvedFont& resolve(const std::string& family, double size);
    // Whether `box` (in the painter's coordinates) lies wholly outside what is painted.
    bool unseen(const QRectF& box) const;

    static constexpr std::size_t kMaxWidthsKept = 1024;

    QPainter& painter_;
    double height_;
    FontCache& fonts_;
    QRectF visible_;  // empty: all of it
};

}  // namespace pattaplex
