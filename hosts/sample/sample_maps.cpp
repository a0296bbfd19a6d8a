#include "hosts/sample/sample_maps.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "hosts/core/colour_ramp.h"
#include "hosts/core/outlines.h"

namespace nubivo::sample {

namespace {

using host::blend;
using host::Canvas;
using host::Colour;
using host::Point;
using host::ramp;
using host::Stop;

enum Layer : int32_t { SatelliteLayer = 0, HighLayer = 1, LowLayer = 2, PrecipitationLayer = 3 };

// What a region's map shows: its centre and its width in degrees of longitude; the
// height follows from the picture's shape with square pixels at the centre's latitude.
struct View {
    double lon;
    double lat;
    double width;
};

constexpr View views[regionCount] = {
    {12, 52, 75},    // Europe
    {-100, 45, 90},  // North America
    {-60, -22, 80},  // South America
    {100, 35, 100},  // Asia
    {140, -27, 65},  // Australia
    {-75, 18, 40},   // Caribbean
    {45, 28, 45},    // Middle East
    {18, 2, 95},     // Africa
};

struct Projection {
    double lonLeft;
    double latTop;
    double pixelsPerLon;
    double pixelsPerLat;

    Point toPixel(double lon, double lat) const {
        return Point{(lon - lonLeft) * pixelsPerLon, (latTop - lat) * pixelsPerLat};
    }
    double lonAt(double x) const { return lonLeft + x / pixelsPerLon; }
    double latAt(double y) const { return latTop - y / pixelsPerLat; }
};

Projection projectionFor(const View& view) {
    Projection p{};
    p.pixelsPerLon = mapWidth / view.width;
    p.pixelsPerLat = p.pixelsPerLon / std::cos(view.lat * std::numbers::pi / 180.0);
    p.lonLeft = view.lon - view.width / 2.0;
    p.latTop = view.lat + mapHeight / 2.0 / p.pixelsPerLat;
    return p;
}

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

constexpr Stop temperatureStops[] = {
    {-35, {120, 40, 160}}, {-20, {60, 60, 200}}, {-5, {70, 150, 230}}, {5, {90, 200, 170}},
    {15, {140, 210, 80}},  {25, {245, 215, 60}}, {33, {245, 130, 40}}, {42, {200, 30, 30}},
};
constexpr Stop rainStops[] = {
    {0.0, {150, 225, 140}},
    {0.35, {40, 170, 60}},
    {0.65, {240, 220, 40}},
    {1.0, {215, 40, 30}},
};

constexpr Colour white{255, 255, 255};
constexpr Colour coastDark{40, 40, 40};

// Land 1, sea 0, per pixel of the map.
std::vector<uint8_t> landMask(const Projection& projection) {
    return host::landMask(mapWidth, mapHeight, [&projection](double lon, double lat) {
        return projection.toPixel(lon, lat);
    });
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

void drawGrid(Canvas& canvas, const Projection& projection, Colour colour, double amount) {
    for (int32_t x = 0; x < mapWidth; ++x) {
        for (int32_t y = 0; y < mapHeight; ++y) {
            const double lon0 = projection.lonAt(x);
            const double lon1 = projection.lonAt(x + 1);
            const double lat0 = projection.latAt(y);
            const double lat1 = projection.latAt(y + 1);
            const bool onMeridian = std::floor(lon0 / 10.0) != std::floor(lon1 / 10.0);
            const bool onParallel = std::floor(lat0 / 10.0) != std::floor(lat1 / 10.0);
            if (onMeridian || onParallel)
                canvas.blendPixel(x, y, colour, amount);
        }
    }
}

void drawLegend(Canvas& canvas, const Stop* stops, size_t count) {
    const double low = stops[0].at;
    const double high = stops[count - 1].at;
    canvas.fillRect(9, 311, 171, 321, coastDark);
    for (int32_t x = 10; x < 170; ++x) {
        const Colour c = ramp(stops, count, low + (high - low) * (x - 10) / 159.0);
        canvas.fillRect(x, 312, x + 1, 320, c);
    }
}

// Twenty-four marks along the bottom, the one of the picture's hour filled.
void drawHourMarks(Canvas& canvas, int64_t hour, Colour colour, Colour dim) {
    const int32_t current = static_cast<int32_t>(((hour % 24) + 24) % 24);
    for (int32_t i = 0; i < 24; ++i) {
        const double left = mapWidth - 10 - (24 - i) * 7;
        canvas.fillRect(left, 313, left + 5, 318, i == current ? colour : dim);
    }
}

void drawFrame(Canvas& canvas) {
    canvas.fillRect(0, 0, mapWidth, 1, coastDark);
    canvas.fillRect(0, mapHeight - 1, mapWidth, mapHeight, coastDark);
    canvas.fillRect(0, 0, 1, mapHeight, coastDark);
    canvas.fillRect(mapWidth - 1, 0, mapWidth, mapHeight, coastDark);
}

}  // namespace

Canvas drawMap(int32_t region, int32_t layer, int64_t hour) {
    Canvas canvas(mapWidth, mapHeight, white);
    if (region < 0 || region >= regionCount || layer < 0 || layer >= mapLayerCount) {
        return canvas;
    }
    const Projection projection = projectionFor(views[region]);
    const std::vector<uint8_t> land = landMask(projection);
    const int32_t day = dayOfYear(hour);
    // Weather drifts east by a degree and a half an hour.
    const double drift = -1.5 * static_cast<double>(hour % 240000);

    for (int32_t y = 0; y < mapHeight; ++y) {
        const double lat = projection.latAt(y + 0.5);
        for (int32_t x = 0; x < mapWidth; ++x) {
            const double lon = projection.lonAt(x + 0.5);
            const bool isLand =
                land[static_cast<size_t>(y) * mapWidth + static_cast<size_t>(x)] != 0;
            Colour c;
            switch (layer) {
                case SatelliteLayer: {
                    const double relief = fractalNoise(0x51A7ull, lon / 3.0, lat / 3.0);
                    c = isLand ? blend(Colour{58, 82, 42}, Colour{122, 108, 70}, relief)
                               : Colour{14, 30, 64};
                    const double cover = smoothStep(
                        0.48, 0.78, fractalNoise(0xC10Dull, (lon + drift) / 9.0, lat / 7.0));
                    c = blend(c, Colour{245, 247, 250}, cover * 0.92);
                    break;
                }
                case HighLayer:
                case LowLayer: {
                    const double t =
                        airTemperature(lon, lat, day, drift) + (layer == HighLayer ? 4.0 : -5.0);
                    c = ramp(temperatureStops, std::size(temperatureStops), t);
                    if (!isLand)
                        c = blend(c, Colour{205, 220, 235}, 0.55);
                    break;
                }
                default: {
                    c = isLand ? Colour{228, 226, 214} : Colour{200, 216, 236};
                    const double n = fractalNoise(0x9A1Cull, (lon + drift) / 8.0, lat / 6.0);
                    const double rain = smoothStep(0.56, 0.86, n);
                    if (n > 0.56)
                        c = blend(c, ramp(rainStops, std::size(rainStops), rain), 0.9);
                    break;
                }
            }
            canvas.blendPixel(x, y, c);
        }
    }
    const bool satellite = layer == SatelliteLayer;
    drawGrid(canvas, projection, satellite ? white : coastDark, satellite ? 0.18 : 0.15);
    host::drawCoast(canvas, land, satellite ? Colour{200, 200, 160} : coastDark);
    if (layer == HighLayer || layer == LowLayer) {
        drawLegend(canvas, temperatureStops, std::size(temperatureStops));
    } else if (layer == PrecipitationLayer) {
        drawLegend(canvas, rainStops, std::size(rainStops));
    }
    drawHourMarks(canvas, hour, satellite ? white : coastDark,
                  satellite ? Colour{70, 84, 110} : Colour{170, 170, 170});
    drawFrame(canvas);
    return canvas;
}

std::vector<uint8_t> mapPicture(int32_t region, int32_t layer, int64_t hour) {
    return drawMap(region, layer, hour).encodeJpeg();
}

}  // namespace nubivo::sample
