#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace nubivo::host {

struct Colour {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;

    bool operator==(const Colour&) const = default;
};

// Mixes `over` into `under`; `amount` 0 keeps `under`, 1 gives `over`.
Colour blend(Colour under, Colour over, double amount);

// A position in a picture, in pixels from its top-left corner.
struct Point {
    double x = 0;
    double y = 0;
};

// The quality the maps are written at (JPEG's 1 to 100 scale), without chroma subsampling:
// no ringing around text and lines.
inline constexpr int32_t jpegQuality = 92;

// An RGB picture, top row first, each pixel a 32-bit word 0x00RRGGBB: the layout of cairo's
// RGB24 surfaces, so that a Drawing (drawing.h) draws on these pixels in place.
class Canvas {
  public:
    Canvas(int32_t width, int32_t height, Colour background);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // Outside the picture: black, and nothing is written.
    Colour pixel(int32_t x, int32_t y) const;
    void setPixel(int32_t x, int32_t y, Colour colour);
    // Blends `colour` into one pixel by `amount` (0 to 1).
    void blendPixel(int32_t x, int32_t y, Colour colour, double amount = 1.0);

    // The pixel words, width() a row, height() rows.
    uint32_t* words() { return pixels_.data(); }
    const uint32_t* words() const { return pixels_.data(); }

    // The picture as PNG, or as a JPEG of jpegQuality with 4:4:4 sampling, through
    // FreeImage; empty when encoding fails. The same pixels always give the same bytes.
    std::vector<uint8_t> encodePng() const;
    std::vector<uint8_t> encodeJpeg() const;

    // Decodes a JPEG, PNG or GIF (at most `maxSide` pixels a side) into a canvas; false and
    // `out` untouched when the bytes are no such picture. Transparent pixels are blended
    // over `background`.
    static bool decode(const uint8_t* bytes, size_t size, Colour background, Canvas& out,
                       int32_t maxSide = 4096);

  private:
    std::vector<uint8_t> encode(int format, int flags) const;

    int32_t width_;
    int32_t height_;
    std::vector<uint32_t> pixels_;
};

inline uint32_t packedColour(Colour c) {
    return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | uint32_t{c.b};
}

inline Colour unpackedColour(uint32_t word) {
    return Colour{static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 8),
                  static_cast<uint8_t>(word)};
}

}  // namespace nubivo::host
