#include "hosts/core/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "hosts/core/freeimage_handles.h"

namespace nubivo::host {
namespace {

uint8_t mix(uint8_t a, uint8_t b, double amount) {
    return static_cast<uint8_t>(std::lround(a + (b - a) * amount));
}

}  // namespace

Colour blend(Colour under, Colour over, double amount) {
    amount = std::clamp(amount, 0.0, 1.0);
    return Colour{mix(under.r, over.r, amount), mix(under.g, over.g, amount),
                  mix(under.b, over.b, amount)};
}

Canvas::Canvas(int32_t width, int32_t height, Colour background)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_),
              packedColour(background)) {}

Colour Canvas::pixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return Colour{};
    return unpackedColour(
        pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)]);
}

void Canvas::setPixel(int32_t x, int32_t y, Colour colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] =
        packedColour(colour);
}

void Canvas::blendPixel(int32_t x, int32_t y, Colour colour, double amount) {
    setPixel(x, y, blend(pixel(x, y), colour, amount));
}

std::vector<uint8_t> Canvas::encodePng() const {
    return encode(FIF_PNG, PNG_DEFAULT);
}

std::vector<uint8_t> Canvas::encodeJpeg() const {
    return encode(FIF_JPEG, jpegQuality | JPEG_SUBSAMPLING_444 | JPEG_OPTIMIZE);
}

std::vector<uint8_t> Canvas::encode(int format, int flags) const {
    std::vector<uint8_t> bytes;
    Bitmap bitmap(FreeImage_Allocate(width_, height_, 24));
    if (!bitmap)
        return bytes;
    // FreeImage keeps the bottom row first and its pixels in the machine's BGR order.
    for (int32_t y = 0; y < height_; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), height_ - 1 - y);
        for (int32_t x = 0; x < width_; ++x) {
            const Colour c = pixel(x, y);
            row[x * 3 + FI_RGBA_RED] = c.r;
            row[x * 3 + FI_RGBA_GREEN] = c.g;
            row[x * 3 + FI_RGBA_BLUE] = c.b;
        }
    }
    MemoryStream memory(FreeImage_OpenMemory(nullptr, 0));
    if (!memory)
        return bytes;
    if (!FreeImage_SaveToMemory(static_cast<FREE_IMAGE_FORMAT>(format), bitmap.get(), memory.get(),
                                flags)) {
        return bytes;
    }
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!FreeImage_AcquireMemory(memory.get(), &data, &size) || data == nullptr)
        return bytes;
    bytes.assign(data, data + size);
    return bytes;
}

bool Canvas::decode(const uint8_t* bytes, size_t size, Colour background, Canvas& out,
                    int32_t maxSide) {
    if (bytes == nullptr || size == 0 || size > UINT32_MAX)
        return false;
    MemoryStream memory(FreeImage_OpenMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(size)));
    if (!memory)
        return false;
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory.get(), 0);
    if (format != FIF_JPEG && format != FIF_PNG && format != FIF_GIF)
        return false;
    if (format != FIF_GIF) {
        // The size first, so that a huge picture is refused before its pixels exist.
        Bitmap header(FreeImage_LoadFromMemory(format, memory.get(), FIF_LOAD_NOPIXELS));
        if (!header || FreeImage_GetWidth(header.get()) > static_cast<unsigned>(maxSide) ||
            FreeImage_GetHeight(header.get()) > static_cast<unsigned>(maxSide)) {
            return false;
        }
        FreeImage_SeekMemory(memory.get(), 0, SEEK_SET);
    }
    Bitmap loaded(FreeImage_LoadFromMemory(format, memory.get(), 0));
    if (!loaded)
        return false;
    Bitmap rgba(FreeImage_ConvertTo32Bits(loaded.get()));
    if (!rgba)
        return false;
    const auto width = static_cast<int32_t>(FreeImage_GetWidth(rgba.get()));
    const auto height = static_cast<int32_t>(FreeImage_GetHeight(rgba.get()));
    if (width < 1 || height < 1 || width > maxSide || height > maxSide)
        return false;
    Canvas canvas(width, height, background);
    for (int32_t y = 0; y < height; ++y) {
        const BYTE* row = FreeImage_GetScanLine(rgba.get(), height - 1 - y);
        for (int32_t x = 0; x < width; ++x) {
            const BYTE* p = row + x * 4;
            canvas.blendPixel(x, y, Colour{p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE]},
                              p[FI_RGBA_ALPHA] / 255.0);
        }
    }
    out = std::move(canvas);
    return true;
}

}  // namespace nubivo::host
