#pragma once

#include <cstdint>

#include "state/image24.h"

namespace nubivo {

// The size a picture of `width` x `height` is reduced to so that it fits `maxWidth` x
// `maxHeight`: a side over its limit becomes the limit, a side within it stays. The sides
// are reduced on their own, as the window stretches a map to its area whatever its shape.
struct ReducedSize {
    uint32_t width;
    uint32_t height;
};
ReducedSize reducedSize(uint32_t width, uint32_t height, uint32_t maxWidth, uint32_t maxHeight);

// Averages `height` rows of `width` pixels (`bytesPerPixel` 3 or 4: blue, green, red and an
// ignored fourth byte; rows `pitch` bytes apart) down to `targetHeight` rows of
// `targetWidth` 3-byte pixels, `targetPitch` bytes apart. Each target pixel is the mean of
// the source area it covers, every source pixel weighted by the part of it inside that area
// (a box filter over the exact footprint), rounded to the nearest value. Needs 0 < target
// sides <= source sides; rows keep their order.
void reducePixels(const uint8_t* source, uint32_t width, uint32_t height, uint32_t pitch,
                  uint32_t bytesPerPixel, uint8_t* target, uint32_t targetWidth,
                  uint32_t targetHeight, uint32_t targetPitch);

// A new 24-bit image averaged down from `image` (24 or 32 bits per pixel) to
// reducedSize(its size, maxWidth, maxHeight). Null for a null image, another depth, a zero
// limit, or when no memory is left. The caller keeps `image` and owns the result.
Image24 reduceImage24(Image24 image, uint32_t maxWidth, uint32_t maxHeight);

}  // namespace nubivo
