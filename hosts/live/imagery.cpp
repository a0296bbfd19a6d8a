#include "hosts/live/imagery.h"

#include <cstdio>

#include "hosts/core/calendar.h"
#include "hosts/live/wms.h"

namespace nubivo::live {
namespace {

// The composite of a day is whole this long after the day ends.
constexpr int64_t dayComplete = 4 * 3600;

}  // namespace

const char* const trueColourLayers[2] = {"VIIRS_NOAA20_CorrectedReflectance_TrueColor",
                                         "VIIRS_SNPP_CorrectedReflectance_TrueColor"};

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

}  // namespace nubivo::live
