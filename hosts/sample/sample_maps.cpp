#include "hosts/sample/sample_maps.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "hosts/core/calendar.h"
#include "hosts/core/weather_map.h"

namespace nubivo::sample {

namespace {

using host::blend;
using host::Canvas;
using host::Colour;
using host::GeoBox;
using host::mapHeight;
using host::mapWidth;

enum Layer : int32_t { SatelliteLayer = 0, HighLayer = 1, LowLayer = 2, PrecipitationLayer = 3 };

// The outlines are Natural Earth's: the only real thing on these maps.
constexpr const char* credit = "Natural Earth";

double lattice(uint64_t seed, int64_t ix, int64_t iy) {
    uint64_t z = seed ^ (static_cast<uint64_t>(ix) * 0x9E3779B97F4A7C15ull) ^
                 (static_cast<uint64_t>(iy) * 0xC2B2AE3D27D4EB4Full);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
}

double valueNoise(uint64_t seed, double x, double y) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto ix = static_cast<int64_t>(fx);
    const auto iy = static_cast<int64_t>(fy);
    const double tx = x - fx;
    const double ty = y - fy;
    const double sx = tx * tx * (3.0 - 2.0 * tx);
    const double sy = ty * ty * (3.0 - 2.0 * ty);
    const double top = lattice(seed, ix, iy) * (1 - sx) + lattice(seed, ix + 1, iy) * sx;
    const double bottom = lattice(seed, ix, iy + 1) * (1 - sx) + lattice(seed, ix + 1, iy + 1) * sx;
    return top * (1 - sy) + bottom * sy;
}

// Fractal noise in [0, 1) over degrees, so that neighbouring regions agree where they meet.
double fractalNoise(uint64_t seed, double x, double y) {
    double sum = 0;
    double amplitude = 0.5;
    double total = 0;
    for (int32_t octave = 0; octave < 4; ++octave) {
        sum += amplitude * valueNoise(seed + static_cast<uint64_t>(octave), x, y);
        total += amplitude;
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    return sum / total;
}

double smoothStep(double low, double high, double x) {
    const double t = std::clamp((x - low) / (high - low), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// A made-up air temperature: warm at the equator, following the season, with weather on top.
double airTemperature(double lon, double lat, int32_t dayOfYear, double drift) {
    const double latRad = std::abs(lat) * std::numbers::pi / 180.0;
    double season = std::cos(2.0 * std::numbers::pi * (dayOfYear - 196) / 365.0);
    if (lat < 0)
        season = -season;
    const double climate =
        27.0 * std::pow(std::cos(latRad), 1.3) - 3.0 + 0.22 * std::abs(lat) * season;
    return climate + 14.0 * (fractalNoise(0x7E3Aull, (lon + drift) / 14.0, lat / 14.0) - 0.5);
}

int32_t dayOfYear(int64_t hour) {
    const int64_t days = hour / 24;
    // Close enough for a season: a year of 365.2425 days from 1970.
    const double year = static_cast<double>(days) / 365.2425;
    return static_cast<int32_t>((year - std::floor(year)) * 365.2425);
}

// "Mon 7 Dec" of the UTC day of `hour`.
std::string dayText(int64_t hour) {
    const host::CivilDate date = host::civilDate(host::floorDiv(hour, 24));
    return std::string(host::weekdayName(date.weekday)) + " " + std::to_string(date.day) + " " +
           host::monthName(date.month);
}

std::string hourText(int64_t hour) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:00 UTC",
                  static_cast<int>(hour - host::floorDiv(hour, 24) * 24));
    return text;
}

// Clouds over made-up land and sea, in the colours of a true-colour picture.
Canvas satellitePicture(const GeoBox& box, double drift) {
    Canvas picture(mapWidth, mapHeight, Colour{});
    const auto land = host::landMask(box);
    for (int32_t y = 0; y < mapHeight; ++y) {
        const double lat = host::mapLatitude(box, y);
        for (int32_t x = 0; x < mapWidth; ++x) {
            const double lon = host::mapLongitude(box, x);
            const bool isLand = (*land)[static_cast<size_t>(y) * mapWidth + x] != 0;
            const double relief = fractalNoise(0x51A7ull, lon / 3.0, lat / 3.0);
            Colour c = isLand ? blend(Colour{58, 82, 42}, Colour{122, 108, 70}, relief)
                              : Colour{14, 30, 64};
            const double cover =
                smoothStep(0.48, 0.78, fractalNoise(0xC10Dull, (lon + drift) / 9.0, lat / 7.0));
            picture.setPixel(x, y, blend(c, Colour{245, 247, 250}, cover * 0.92));
        }
    }
    return picture;
}

// Made-up precipitation in mm: showers where the noise is high, up to a downpour.
double precipitation(double lon, double lat, double drift) {
    const double n = fractalNoise(0x9A1Cull, (lon + drift) / 8.0, lat / 6.0);
    if (n <= 0.56)
        return 0;
    return 0.1 * std::pow(600.0, smoothStep(0.56, 0.9, n));
}

}  // namespace

Canvas drawMap(int32_t region, int32_t layer, int64_t hour) {
    if (region < 0 || region >= mapRegionCount || layer < 0 || layer >= mapLayerCount)
        return Canvas(mapWidth, mapHeight, Colour{255, 255, 255});
    const GeoBox& box = host::regionBoxes[region];
    const int32_t day = dayOfYear(hour);
    // Weather drifts east by a degree and a half an hour.
    const double drift = -1.5 * static_cast<double>(hour % 240000);
    const std::string when = dayText(hour);
    switch (layer) {
        case SatelliteLayer: {
            Canvas picture = satellitePicture(box, drift);
            host::finishImageryMap(picture, box,
                                   {"Sample satellite, " + when + " " + hourText(hour), credit});
            return picture;
        }
        case HighLayer:
        case LowLayer: {
            const double offset = layer == HighLayer ? 4.0 : -5.0;
            return host::drawFieldMap(
                box, host::MapQuantity::Temperature,
                [&](double lon, double lat) {
                    return airTemperature(lon, lat, day, drift) + offset;
                },
                {std::string(layer == HighLayer ? "Sample high, " : "Sample low, ") + when,
                 credit});
        }
        default:
            return host::drawFieldMap(
                box, host::MapQuantity::Precipitation,
                [&](double lon, double lat) { return precipitation(lon, lat, drift); },
                {"Sample precipitation, " + when, credit});
    }
}

std::vector<uint8_t> mapPicture(int32_t region, int32_t layer, int64_t hour) {
    return drawMap(region, layer, hour).encodeJpeg();
}

}  // namespace nubivo::sample
