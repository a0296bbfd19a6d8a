#include "support/image_fixtures.h"

#include <initializer_list>

namespace nubivo::test {

FIBITMAP* makeBitmap(unsigned width, unsigned height, unsigned bpp, uint8_t red, uint8_t green,
                     uint8_t blue, uint8_t alpha) {
    FIBITMAP* bitmap = FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height),
                                          static_cast<int>(bpp));
    for (unsigned y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap, static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) {
            if (bpp == 8) {
                row[x] = red;
                continue;
            }
            BYTE* pixel = row + x * (bpp / 8);
            pixel[FI_RGBA_RED] = red;
            pixel[FI_RGBA_GREEN] = green;
            pixel[FI_RGBA_BLUE] = blue;
            if (bpp == 32) {
                pixel[FI_RGBA_ALPHA] = alpha;
            }
        }
    }
    return bitmap;
}

Bytes encode(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format, int flags) {
    Bytes bytes;
    FIMEMORY* stream = FreeImage_OpenMemory();
    if (FreeImage_SaveToMemory(format, bitmap, stream, flags)) {
        BYTE* data = nullptr;
        DWORD size = 0;
        FreeImage_AcquireMemory(stream, &data, &size);
        bytes.assign(data, data + size);
    }
    FreeImage_CloseMemory(stream);
    return bytes;
}

Bytes encodeSolid(FREE_IMAGE_FORMAT format, unsigned width, unsigned height) {
    unsigned bpp = format == FIF_GIF ? 8 : 24;
    FIBITMAP* bitmap = makeBitmap(width, height, bpp, 200, 40, 10);
    Bytes bytes = encode(bitmap, format);
    FreeImage_Unload(bitmap);
    return bytes;
}

std::string encodePicture(const char* format, int width, int height, uint8_t red, uint8_t green,
                          uint8_t blue) {
    const std::string name = format;
    FREE_IMAGE_FORMAT fif = name == "jpeg"  ? FIF_JPEG
                            : name == "png" ? FIF_PNG
                            : name == "gif" ? FIF_GIF
                                            : FIF_UNKNOWN;
    FIBITMAP* bitmap = makeBitmap(static_cast<unsigned>(width), static_cast<unsigned>(height), 24,
                                  red, green, blue);
    if (fif == FIF_GIF) {
        FIBITMAP* quantised = FreeImage_ColorQuantize(bitmap, FIQ_WUQUANT);
        FreeImage_Unload(bitmap);
        bitmap = quantised;
    }
    Bytes bytes = fif == FIF_UNKNOWN || bitmap == nullptr ? Bytes{} : encode(bitmap, fif);
    FreeImage_Unload(bitmap);
    return std::string(bytes.begin(), bytes.end());
}

namespace {

void append(Bytes& bytes, std::initializer_list<uint8_t> more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
}

void put16(Bytes& bytes, uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(Bytes& bytes, uint32_t value) {
    put16(bytes, static_cast<uint16_t>(value & 0xFFFF));
    put16(bytes, static_cast<uint16_t>(value >> 16));
}

void putEntry(Bytes& bytes, uint16_t tag, uint16_t type, uint32_t value) {
    put16(bytes, tag);
    put16(bytes, type);
    put32(bytes, 1);
    if (type == 3) {  // SHORT: value in the first two bytes of the field
        put16(bytes, static_cast<uint16_t>(value));
        put16(bytes, 0);
    } else {
        put32(bytes, value);
    }
}

}  // namespace

Bytes handMadeTiff() {
    constexpr uint16_t shortType = 3;
    constexpr uint16_t longType = 4;
    constexpr uint16_t entryCount = 8;
    constexpr uint32_t pixelOffset = 8 + 2 + entryCount * 12 + 4;
    Bytes bytes = {'I', 'I', 42, 0};
    put32(bytes, 8);
    put16(bytes, entryCount);
    putEntry(bytes, 256, shortType, 1);  // width
    putEntry(bytes, 257, shortType, 1);  // height
    putEntry(bytes, 258, shortType, 8);  // bits per sample
    putEntry(bytes, 259, shortType, 1);  // no compression
    putEntry(bytes, 262, shortType, 1);  // black is zero
    putEntry(bytes, 273, longType, pixelOffset);
    putEntry(bytes, 278, shortType, 1);  // rows per strip
    putEntry(bytes, 279, longType, 1);   // strip byte count
    put32(bytes, 0);                     // no further directory
    bytes.push_back(0x80);
    return bytes;
}

Bytes handMadeGif(uint16_t screenWidth, uint16_t screenHeight, uint16_t imageWidth,
                  uint16_t imageHeight) {
    Bytes bytes = {'G', 'I', 'F', '8', '9', 'a'};
    put16(bytes, screenWidth);
    put16(bytes, screenHeight);
    // A global table of two colours, background 0, no aspect ratio.
    append(bytes, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF});
    append(bytes, {0x21, 0xFE, 0x03, 'a', 'b', 'c', 0x00});  // a comment
    bytes.push_back(0x2C);
    put16(bytes, 0);
    put16(bytes, 0);
    put16(bytes, imageWidth);
    put16(bytes, imageHeight);
    bytes.push_back(0x00);
    // Minimum code size 2, one sub-block: clear, pixel 0, end of information.
    append(bytes, {0x02, 0x02, 0x44, 0x01, 0x00, 0x3B});
    return bytes;
}

Bgr pixelAt(FIBITMAP* bitmap, unsigned x, unsigned y) {
    const BYTE* pixel = FreeImage_GetScanLine(bitmap, static_cast<int>(y)) + x * 3;
    return Bgr{pixel[FI_RGBA_BLUE], pixel[FI_RGBA_GREEN], pixel[FI_RGBA_RED]};
}

}  // namespace nubivo::test
