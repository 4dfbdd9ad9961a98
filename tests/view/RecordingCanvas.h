#pragma once
// A canvas that keeps every drawing operation, for checking a drawing pass.

#include <string>
#include <vector>

#include "Canvas.h"

namespace pattaplex {

struct DrawnLine {
    double x1, y1, x2, y2, width;
    Colour colour;
};

struct DrawnText {
    double x, y;
    std::string text;
    std::string family;
    double size;
    Colour colour;
};

struct DrawnFill {
    double x, y, width, height;
    Colour colour;
};

class RecordingCanvas : public Canvas {
  public:
    void fillRect(double x, double y, double width, double height, Colour colour) override {
        fills.push_back({x, y, width, height, colour});
    }
    void strokeLine(double x1, double y1, double x2, double y2, double lineWidth,
                    Colour colour) override {
        lines.push_back({x1, y1, x2, y2, lineWidth, colour});
    }
    void drawText(double x, double y, const std::string& text, const std::string& family,
                  double size, Colour colour) override {
        texts.push_back({x, y, text, family, size, colour});
    }

    std::vector<DrawnFill> fills;
    std::vector<DrawnLine> lines;
    std::vector<DrawnText> texts;
};

}  // namespace pattaplex
