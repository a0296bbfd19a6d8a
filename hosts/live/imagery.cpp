#include "hosts/live/imagery.h"

#include <cstdio>

#include "hosts/core/calendar.h"
#include "hosts/core/freeimage_handles.h"
#include "hosts/live/wms.h"

namespace nubivo::live {
namespace {

// The composite of a day is whole this long after the day ends.
constexpr int64_t dayComplete = 4 * 3600;

}  // namespace

const char* const trueColourLayers[2] = {"VIIRS_NOAA20_CorrectedReflectance_TrueColor",
                                         "VIIRS_SNPP_CorrectedReflectance_TrueColor"};
const char* const overlayLayers[2] = {"Coastlines_15m", "Reference_Features_15m"};

std::string imageryDay(int64_t now) {
    const host::CivilDate date = host::civilDate(host::floorDiv(now - dayComplete, 86400) - 1);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::optional<host::Canvas> imageryPicture(const UpstreamAnswer& answer) {
    if (!isPictureAnswer(answer))
        return std::nullopt;
    host::Canvas picture(1, 1, host::Colour{});
    if (!host::Canvas::decode(reinterpret_cast<const uint8_t*>(answer.body.data()),
                              answer.body.size(), host::Colour{}, picture) ||
        picture.width() != mapWidth || picture.height() != mapHeight || almostAllBlack(picture)) {
        return std::nullopt;
    }
    return picture;
}

bool almostAllBlack(const host::Canvas& picture) {
    int64_t dark = 0;
    for (int32_t y = 0; y < picture.height(); ++y) {
        for (int32_t x = 0; x < picture.width(); ++x) {
            const host::Colour c = picture.pixel(x, y);
            dark += c.r < 24 && c.g < 24 && c.b < 24;
        }
    }
    return dark * 10 >= int64_t{picture.width()} * picture.height() * 9;
}

std::optional<Overlay> overlayFromPng(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > 8u * 1024u * 1024u)
        return std::nullopt;
    host::MemoryStream memory(
        FreeImage_OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                             static_cast<DWORD>(bytes.size())));
    if (!memory || FreeImage_GetFileTypeFromMemory(memory.get(), 0) != FIF_PNG)
        return std::nullopt;
    host::Bitmap header(FreeImage_LoadFromMemory(FIF_PNG, memory.get(), FIF_LOAD_NOPIXELS));
    if (!header || FreeImage_GetWidth(header.get()) != mapWidth ||
        FreeImage_GetHeight(header.get()) != mapHeight) {
        return std::nullopt;
    }
    FreeImage_SeekMemory(memory.get(), 0, SEEK_SET);
    host::Bitmap loaded(FreeImage_LoadFromMemory(FIF_PNG, memory.get(), 0));
    if (!loaded || !FreeImage_IsTransparent(loaded.get()))
        return std::nullopt;
    host::Bitmap rgba(FreeImage_ConvertTo32Bits(loaded.get()));
    if (!rgba)
        return std::nullopt;
    Overlay overlay;
    overlay.coverage.resize(static_cast<size_t>(mapWidth) * mapHeight);
    for (int32_t y = 0; y < mapHeight; ++y) {
        const BYTE* row = FreeImage_GetScanLine(rgba.get(), mapHeight - 1 - y);
        for (int32_t x = 0; x < mapWidth; ++x)
            overlay.coverage[static_cast<size_t>(y) * mapWidth + x] = row[x * 4 + FI_RGBA_ALPHA];
    }
    return overlay;
}

std::optional<Overlay> overlayFromAnswer(const UpstreamAnswer& answer) {
    if (!isPictureAnswer(answer) || answer.contentType.rfind("image/png", 0) != 0)
        return std::nullopt;
    return overlayFromPng(answer.body);
}

void drawOverlay(host::Canvas& canvas, const Overlay& overlay, host::Colour colour) {
    if (overlay.coverage.size() != static_cast<size_t>(canvas.width()) * canvas.height())
        return;
    for (int32_t y = 0; y < canvas.height(); ++y) {
        for (int32_t x = 0; x < canvas.width(); ++x) {
            const uint8_t cover = overlay.coverage[static_cast<size_t>(y) * canvas.width() + x];
            if (cover > 0)
                canvas.blendPixel(x, y, colour, cover / 255.0);
        }
    }
}

}  // namespace nubivo::live
