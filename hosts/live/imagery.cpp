#include "hosts/live/imagery.h"

#include <cstdio>

#include "hosts/core/calendar.h"
#include "hosts/core/freeimage_handles.h"

namespace nubivo::live {
namespace {

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::string degrees(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

const char* const trueColourLayers[2] = {"VIIRS_NOAA20_CorrectedReflectance_TrueColor",
                                         "VIIRS_SNPP_CorrectedReflectance_TrueColor"};
const char* const overlayLayers[2] = {"Coastlines_15m", "Reference_Features_15m"};

std::string imageryDay(int64_t now) {
    const host::CivilDate date = host::civilDate(host::floorDiv(now, 86400) - 1);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::string getMapUrl(const std::string& base, const char* layer, const host::GeoBox& box,
                      const std::string& day) {
    std::string url = base + "?SERVICE=WMS&VERSION=1.1.1&REQUEST=GetMap&LAYERS=" + layer +
                      "&STYLES=&SRS=EPSG:4326&BBOX=" + degrees(box.west) + "," +
                      degrees(box.south) + "," + degrees(box.east) + "," + degrees(box.north) +
                      "&WIDTH=" + std::to_string(host::mapWidth) +
                      "&HEIGHT=" + std::to_string(host::mapHeight);
    if (day.empty())
        return url + "&FORMAT=image/png&TRANSPARENT=TRUE";
    return url + "&FORMAT=image/jpeg&TIME=" + day;
}

std::optional<host::Canvas> imageryPicture(const UpstreamAnswer& answer) {
    if (!answer.received || answer.status != 200 || !startsWith(answer.contentType, "image/"))
        return std::nullopt;
    host::Canvas picture(1, 1, host::Colour{});
    if (!host::Canvas::decode(reinterpret_cast<const uint8_t*>(answer.body.data()),
                              answer.body.size(), host::Colour{}, picture) ||
        picture.width() != host::mapWidth || picture.height() != host::mapHeight ||
        almostAllBlack(picture)) {
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
    if (!header || FreeImage_GetWidth(header.get()) != host::mapWidth ||
        FreeImage_GetHeight(header.get()) != host::mapHeight) {
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
    overlay.coverage.resize(static_cast<size_t>(host::mapWidth) * host::mapHeight);
    for (int32_t y = 0; y < host::mapHeight; ++y) {
        const BYTE* row = FreeImage_GetScanLine(rgba.get(), host::mapHeight - 1 - y);
        for (int32_t x = 0; x < host::mapWidth; ++x)
            overlay.coverage[static_cast<size_t>(y) * host::mapWidth + x] =
                row[x * 4 + FI_RGBA_ALPHA];
    }
    return overlay;
}

std::optional<Overlay> overlayFromAnswer(const UpstreamAnswer& answer) {
    if (!answer.received || answer.status != 200 || !startsWith(answer.contentType, "image/png"))
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
