#pragma once

#include <cstdint>

// A decoded picture of 24 bits per pixel, as FreeImage keeps it: rows from bottom to top,
// each pixel blue, green, red, each row padded to a multiple of 4 bytes.
struct FIBITMAP;

namespace nubivo {

// An owned FreeImage bitmap, or null. Exactly one image slot owns a given handle.
using Image24 = FIBITMAP*;

// Unloads the slot's image (nothing for null) and leaves the slot null.
void unloadImage24(Image24& slot);

// Where an image's pixels are, for reading them: rows from bottom to top, `pitch` bytes
// apart, each `rowBytes` long without the padding. All zero for null. Valid as long as the
// image is.
struct Image24Pixels {
    const uint8_t* bits = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pitch = 0;
    uint32_t rowBytes = 0;
    uint32_t bitsPerPixel = 0;
};
Image24Pixels image24Pixels(Image24 image);

}  // namespace nubivo
