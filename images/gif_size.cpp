#include "images/gif_size.h"

namespace nubivo {
namespace {

uint32_t littleEndian16(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8;
}

}  // namespace

bool gifWithinSize(const uint8_t* block, uint32_t size, uint32_t maxSide) {
    if (block == nullptr || size < 13) {
        return false;
    }
    if (littleEndian16(block + 6) > maxSide || littleEndian16(block + 8) > maxSide) {
        return false;
    }
    uint64_t at = 13;
    uint8_t screenFlags = block[10];
    if ((screenFlags & 0x80) != 0) {
        at += 3ull << ((screenFlags & 0x07) + 1);
    }
    while (at < size) {
        uint8_t introducer = block[at];
        if (introducer == 0x2C) {  // image descriptor: left, top, width, height
            if (at + 9 > size) {
                return false;
            }
            return littleEndian16(block + at + 5) <= maxSide &&
                   littleEndian16(block + at + 7) <= maxSide;
        }
        if (introducer != 0x21) {  // trailer or damage: no image
            return false;
        }
        at += 2;  // introducer and label, then sub-blocks up to an empty one
        while (at < size && block[at] != 0) {
            at += 1u + block[at];
        }
        at += 1;
    }
    return false;
}

}  // namespace nubivo
