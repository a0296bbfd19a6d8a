#pragma once

#include <cstdint>
#include <vector>

namespace nubivo::test {

// What a baseline or progressive JPEG's headers say about how it was written.
struct JpegFacts {
    bool read = false;              // a start-of-frame marker and a luminance table found
    std::vector<uint8_t> sampling;  // each component's factors, 0x11 for 1 x 1
    int32_t width = 0;
    int32_t height = 0;
    // The quality (libjpeg's 1 to 100 scale) the luminance table was written at: the highest
    // whose scaled standard table is no finer than the file's.
    int32_t quality = 0;
};

JpegFacts jpegFacts(const std::vector<uint8_t>& bytes);

}  // namespace nubivo::test
