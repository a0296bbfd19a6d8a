#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace nubivo::host {

struct Colour {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// Mixes `over` into `under`; `amount` 0 keeps `under`, 1 gives `over`.
Colour blend(Colour under, Colour over, double amount);

struct Point {
    double x = 0;
    double y = 0;
};

// An RGB picture drawn by code, top row first. Every drawing call clips to the picture.
class Canvas {
  public:
    Canvas(int32_t width, int32_t height, Colour background);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    Colour pixel(int32_t x, int32_t y) const;
    // Blends `colour` into one pixel; outside the picture nothing happens.
    void blendPixel(int32_t x, int32_t y, Colour colour, double amount = 1.0);

    void fillRect(double left, double top, double right, double bottom, Colour colour);
    void fillEllipse(double cx, double cy, double rx, double ry, Colour colour);
    void fillCircle(double cx, double cy, double r, Colour colour) {
        fillEllipse(cx, cy, r, r, colour);
    }
    // Even-odd fill of a closed polygon, by pixel centres.
    void fillPolygon(const std::vector<Point>& points, Colour colour);
    // A line of `thickness` pixels with round ends.
    void drawLine(Point from, Point to, double thickness, Colour colour);

    // A picture `factor` times smaller, each pixel the mean of its block (smooth edges for
    // shapes drawn at a larger scale).
    Canvas reduced(int32_t factor) const;

    // The picture as PNG or JPEG bytes through FreeImage; empty when encoding fails. The
    // same pixels always give the same bytes.
    std::vector<uint8_t> encodePng() const;
    std::vector<uint8_t> encodeJpeg() const;

    // Decodes a JPEG, PNG or GIF (at most `maxSide` pixels a side) into a canvas; false and
    // `out` untouched when the bytes are no such picture. The size is read before any pixel
    // (for a GIF: its screen and first image, as the viewer reads them). Transparent pixels
    // are blended over `background`.
    static bool decode(const uint8_t* bytes, size_t size, Colour background, Canvas& out,
                       int32_t maxSide = 4096);

  private:
    std::vector<uint8_t> encode(int format, int flags) const;

    int32_t width_;
    int32_t height_;
    std::vector<Colour> pixels_;
};

}  // namespace nubivo::host
