#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <string>
#include <vector>

namespace nubivo::test {

using Bytes = std::vector<uint8_t>;

// A new bitmap of `width` x `height` at `bpp` bits per pixel (8: grey ramp palette), every
// pixel set to one colour (for 8 bpp: grey level `red`). Caller unloads it.
FIBITMAP* makeBitmap(unsigned width, unsigned height, unsigned bpp, uint8_t red, uint8_t green,
                     uint8_t blue, uint8_t alpha = 255);

// `bitmap` encoded as `format` in memory (empty when the encoder refuses it).
Bytes encode(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format, int flags = 0);

// A solid picture encoded as `format`: JPEG and PNG at 24 bpp, GIF at 8 bpp.
Bytes encodeSolid(FREE_IMAGE_FORMAT format, unsigned width, unsigned height);

// A `width` x `height` picture whose every pixel has the colour (red, green, blue), encoded
// as "jpeg", "png" or "gif" (quantised to 8 bits), as a server would send it; empty when
// the encoder refuses it.
std::string encodePicture(const char* format, int width, int height, uint8_t red, uint8_t green,
                          uint8_t blue);

// An uncompressed 1 x 1 greyscale TIFF, written by hand.
Bytes handMadeTiff();

// A GIF whose logical screen is `screenWidth` x `screenHeight` and whose one image
// descriptor is `imageWidth` x `imageHeight`, with a comment extension before the image and
// a few bytes of picture data, written by hand.
Bytes handMadeGif(uint16_t screenWidth, uint16_t screenHeight, uint16_t imageWidth,
                  uint16_t imageHeight);

// The colour (blue, green, red) of pixel (x, y) of a 24-bit bitmap.
struct Bgr {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
};
Bgr pixelAt(FIBITMAP* bitmap, unsigned x, unsigned y);

}  // namespace nubivo::test
