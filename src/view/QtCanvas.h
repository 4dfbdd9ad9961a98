#pragma once
// The grid's canvas on a QPainter. Qt's y axis points down; this is the one place where
// view coordinates (origin bottom-left) are flipped into Qt's.

#include <QFont>
#include <QPainter>
#include <map>
#include <utility>

#include "Canvas.h"

namespace pattaplex {

class QtCanvas : public Canvas {
  public:
    struct ResolvedFont {
        QFont font;
        double descent;
    };
    // The fonts resolved by a widget's canvases, by family and size, kept by the widget
    // from paint to paint: looking a family up asks fontconfig, too slow for every paint.
    using FontCache = std::map<std::pair<std::string, double>, ResolvedFont>;

    // `viewHeight` is the height of the painted area in Qt's coordinates.
    QtCanvas(QPainter& painter, double viewHeight, FontCache& fonts);

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

    const ResolvedFont& resolve(const std::string& family, double size);

    QPainter& painter_;
    double height_;
    FontCache& fonts_;
};

}  // namespace pattaplex
