#pragma once
// The three drawing operations the grid needs, in view coordinates with the origin at
// the bottom-left corner, x to the right and y upward.

#include <string>

namespace pattaplex {

struct Colour {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;  // 0 transparent .. 1 opaque

    friend bool operator==(const Colour&, const Colour&) = default;
};

namespace colours {
constexpr Colour black{0.0, 0.0, 0.0};
constexpr Colour white{1.0, 1.0, 1.0};
constexpr Colour grey{0.5, 0.5, 0.5};
constexpr Colour cyan{0.0, 1.0, 1.0};
constexpr Colour red{1.0, 0.0, 0.0};
}  // namespace colours

class Canvas {
  public:
    virtual ~Canvas() = default;

    virtual void fillRect(double x, double y, double width, double height, Colour colour) = 0;
    // A straight line with butt ends.
    virtual void strokeLine(double x1, double y1, double x2, double y2, double lineWidth,
                            Colour colour) = 0;
    // Draws UTF-8 `text` so that the lower-left corner of its line box lies at (x, y).
    // When `family` is not installed the canvas uses the system's sans-serif face.
    virtual void drawText(double x, double y, const std::string& text, const std::string& family,
                          double size, Colour colour) = 0;
    // How wide `text` is drawn; without a font at hand, a fair guess for a sans-serif face.
    virtual double textWidth(const std::string& text, const std::string& family, double size) {
        (void)family;
        double characters = 0;
        for (unsigned char c : text) characters += (c & 0xC0) != 0x80;  // UTF-8 lead bytes
        return characters * size * 0.6;
    }
};

}  // namespace pattaplex
