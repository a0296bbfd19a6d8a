#include "support/image_fixtures.h"

#include <FreeImage.h>

#include <cstring>
#include <memory>

namespace nubivo::test {
namespace {

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
struct MemoryDeleter {
    void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

}  // namespace

std::string encodePicture(const char* format, int width, int height, uint8_t red,
                          uint8_t green, uint8_t blue) {
    Bitmap bitmap(FreeImage_Allocate(width, height, 24));
    if (!bitmap) {
        return {};
    }
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), y);
        for (int x = 0; x < width; ++x) {
            row[x * 3 + FI_RGBA_RED] = red;
            row[x * 3 + FI_RGBA_GREEN] = green;
            row[x * 3 + FI_RGBA_BLUE] = blue;
        }
    }
    FREE_IMAGE_FORMAT fif = FIF_UNKNOWN;
    if (std::strcmp(format, "jpeg") == 0) {
        fif = FIF_JPEG;
    } else if (std::strcmp(format, "png") == 0) {
        fif = FIF_PNG;
    } else if (std::strcmp(format, "gif") == 0) {
        fif = FIF_GIF;
        bitmap.reset(FreeImage_ColorQuantize(bitmap.get(), FIQ_WUQUANT));
        if (!bitmap) {
            return {};
        }
    } else {
        return {};
    }
    std::unique_ptr<FIMEMORY, MemoryDeleter> memory(FreeImage_OpenMemory());
    if (!FreeImage_SaveToMemory(fif, bitmap.get(), memory.get(), 0)) {
        return {};
    }
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory.get(), &data, &size);
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace nubivo::test
