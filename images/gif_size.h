#pragma once

#include <cstdint>

namespace nubivo {

// Whether the GIF in `block` (`size` bytes) declares a logical screen and a first image of at
// most `maxSide` pixels a side, read from its header and blocks without decoding a pixel:
// decoders size their bitmap by the first image's descriptor, which need not match the
// screen. False when no image descriptor is found before the bytes end. Call it before
// handing a GIF to a decoder, so that an oversized picture never gets pixels.
bool gifWithinSize(const uint8_t* block, uint32_t size, uint32_t maxSide);

}  // namespace nubivo
