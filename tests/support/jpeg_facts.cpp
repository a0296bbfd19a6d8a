#include "support/jpeg_facts.h"

#include <algorithm>

namespace nubivo::test {
namespace {

// The JPEG standard's luminance table (Annex K.1), which libjpeg scales by quality.
constexpr int32_t standardLuminance[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

// The sum of libjpeg's table at `quality`: order does not matter for a sum, and the file
// keeps its table in zigzag order.
int32_t scaledSum(int32_t quality) {
    const int32_t scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    int32_t sum = 0;
    for (const int32_t entry : standardLuminance)
        sum += std::clamp((entry * scale + 50) / 100, 1, 255);
    return sum;
}

}  // namespace

JpegFacts jpegFacts(const std::vector<uint8_t>& bytes) {
    JpegFacts facts;
    bool frame = false;
    int32_t tableSum = -1;
    size_t at = 2;
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return facts;
    while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
        const uint8_t marker = bytes[at + 1];
        const size_t length = size_t{bytes[at + 2]} << 8 | bytes[at + 3];
        const size_t body = at + 4;
        if (length < 2 || body + length - 2 > bytes.size() || marker == 0xDA)
            break;
        if (marker == 0xDB && length >= 67 && (bytes[body] & 0xF0) == 0 &&
            (bytes[body] & 0x0F) == 0) {
            tableSum = 0;
            for (size_t i = 0; i < 64; ++i)
                tableSum += bytes[body + 1 + i];
        }
        if ((marker == 0xC0 || marker == 0xC1 || marker == 0xC2) && length >= 8) {
            frame = true;
            facts.height = bytes[body + 1] << 8 | bytes[body + 2];
            facts.width = bytes[body + 3] << 8 | bytes[body + 4];
            const size_t components = bytes[body + 5];
            for (size_t i = 0; i < components && body + 6 + 3 * i + 2 < body + length - 2; ++i)
                facts.sampling.push_back(bytes[body + 6 + 3 * i + 1]);
        }
        at = body + length - 2;
    }
    if (!frame || tableSum < 0)
        return facts;
    facts.read = true;
    for (int32_t quality = 100; quality >= 1; --quality) {
        if (scaledSum(quality) >= tableSum) {
            facts.quality = quality;
            break;
        }
    }
    return facts;
}

}  // namespace nubivo::test
