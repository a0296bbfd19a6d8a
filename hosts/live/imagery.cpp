#include "hosts/live/imagery.h"

#include <cstdio>

#include "hosts/core/calendar.h"

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

}  // namespace nubivo::live
