#include "hosts/live/map_painting.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "hosts/core/bitmap_font.h"
#include "hosts/core/calendar.h"
#include "hosts/core/colour_ramp.h"
#include "hosts/core/units.h"
#include "hosts/live/forecast.h"

namespace nubivo::live {
namespace {

using host::Canvas;
using host::Colour;
using host::Stop;

// Texts are drawn at twice the font's size: the viewer shows the map at three quarters.
constexpr int32_t textScale = 2;
constexpr int32_t lineHeight = host::glyphHeight * textScale;

constexpr Colour white{255, 255, 255};
constexpr Colour ink{30, 30, 30};
constexpr Colour outlineDark{40, 40, 40};
constexpr Colour outlineLight{235, 230, 180};

constexpr Stop temperatureStops[] = {
    {-40, {90, 20, 120}}, {-25, {60, 60, 200}}, {-10, {70, 150, 230}}, {0, {150, 215, 240}},
    {8, {110, 200, 150}}, {16, {170, 215, 80}}, {24, {245, 215, 60}},  {32, {245, 130, 40}},
    {40, {200, 30, 30}},  {48, {120, 10, 30}},
};
// Precipitation on an even scale of these amounts (mm), from dry to a downpour.
constexpr double rainSteps[] = {0.1, 1, 2, 5, 10, 25, 50};
constexpr Stop rainStops[] = {
    {0, {160, 220, 250}}, {1, {90, 180, 240}}, {2, {40, 120, 220}}, {3, {40, 180, 80}},
    {4, {240, 220, 40}},  {5, {240, 130, 30}}, {6, {200, 30, 60}},
};
constexpr Colour dryGround{236, 234, 226};

// A value in mm on the even scale of rainSteps: 0 at the first step, 1 at the next, ...
double rainScale(double mm) {
    if (mm <= rainSteps[0])
        return -1;
    for (size_t i = 1; i < std::size(rainSteps); ++i) {
        if (mm <= rainSteps[i])
            return static_cast<double>(i - 1) +
                   (mm - rainSteps[i - 1]) / (rainSteps[i] - rainSteps[i - 1]);
    }
    return static_cast<double>(std::size(rainSteps) - 1);
}

void drawTitle(Canvas& canvas, const std::string& text) {
    host::drawLabel(canvas, 8, 8, text, ink, white, 0.75, textScale);
}

void drawCredit(Canvas& canvas, std::string_view credit, Colour colour, Colour backdrop) {
    const int32_t width = host::textWidth(credit, textScale);
    host::drawLabel(canvas, mapWidth - 8 - width, mapHeight - 8 - lineHeight, credit, colour,
                    backdrop, 0.6, textScale);
}

// The temperature legend: a bar from -30 to 45 degrees C with labels in C above, F below.
void drawTemperatureLegend(Canvas& canvas) {
    constexpr int32_t left = 24, width = 170, barTop = mapHeight - 8 - lineHeight - 12;
    constexpr double low = -30, high = 45;
    const int32_t top = barTop - lineHeight - 6;
    for (int32_t y = top - 2; y < mapHeight - 4; ++y) {
        for (int32_t x = left - 18; x < left + width + 48; ++x)
            canvas.blendPixel(x, y, white, 0.7);
    }
    for (int32_t x = 0; x < width; ++x) {
        const Colour c = host::ramp(temperatureStops, std::size(temperatureStops),
                                    low + (high - low) * (x + 0.5) / width);
        canvas.fillRect(left + x, barTop, left + x + 1, barTop + 10, c);
    }
    for (const double celsius : {-20.0, 0.0, 20.0, 40.0}) {
        const int32_t x = left + static_cast<int32_t>((celsius - low) / (high - low) * width);
        canvas.fillRect(x, barTop - 2, x + 1, barTop + 12, ink);
        const std::string c = std::to_string(static_cast<int32_t>(celsius));
        const std::string f =
            std::to_string(static_cast<int32_t>(std::lround(host::fahrenheit(celsius))));
        host::drawText(canvas, x - host::textWidth(c, textScale) / 2, top, c, ink, textScale);
        host::drawText(canvas, x - host::textWidth(f, textScale) / 2, barTop + 14, f, ink,
                       textScale);
    }
    host::drawText(canvas, left + width + 20, top,
                   "\xC2\xB0"
                   "C",
                   ink, textScale);
    host::drawText(canvas, left + width + 20, barTop + 14,
                   "\xC2\xB0"
                   "F",
                   ink, textScale);
}

// The precipitation legend: the even scale with its amounts below.
void drawRainLegend(Canvas& canvas) {
    constexpr int32_t left = 24, width = 170, barTop = mapHeight - 8 - lineHeight - 14;
    for (int32_t y = barTop - 4; y < mapHeight - 4; ++y) {
        for (int32_t x = left - 18; x < left + width + 48; ++x)
            canvas.blendPixel(x, y, white, 0.7);
    }
    const double span = static_cast<double>(std::size(rainSteps) - 1);
    for (int32_t x = 0; x < width; ++x) {
        const Colour c = host::ramp(rainStops, std::size(rainStops), span * (x + 0.5) / width);
        canvas.fillRect(left + x, barTop, left + x + 1, barTop + 10, c);
    }
    for (size_t i = 0; i < std::size(rainSteps); i += 2) {
        const int32_t x = left + static_cast<int32_t>(i / span * width);
        canvas.fillRect(x, barTop - 2, x + 1, barTop + 12, ink);
        char label[16];
        std::snprintf(label, sizeof label, "%g", rainSteps[i]);
        host::drawText(canvas, x - host::textWidth(label, textScale) / 2, barTop + 14, label, ink,
                       textScale);
    }
    host::drawText(canvas, left + width + 18, barTop + 14, "mm", ink, textScale);
}

}  // namespace

std::string shortDay(const std::string& isoDay) {
    const std::optional<LocalTime> day = parseLocalTime(isoDay);
    if (!day)
        return isoDay;
    const host::CivilDate date = host::civilDate(day->days);
    return std::string(host::weekdayName(date.weekday)) + " " + std::to_string(date.day) + " " +
           host::monthName(date.month);
}

Colour forecastColour(ForecastLayer layer, double value) {
    if (layer != ForecastLayer::Precipitation)
        return host::ramp(temperatureStops, std::size(temperatureStops), value);
    const double step = rainScale(std::max(value, 0.0));
    return step < 0 ? dryGround : host::ramp(rainStops, std::size(rainStops), step);
}

Canvas paintForecastMap(const GeoBox& box, const ForecastGrid& grid, ForecastLayer layer,
                        const OutlineDrawer& outlines) {
    Canvas canvas(mapWidth, mapHeight, white);
    const std::vector<double>& values = layer == ForecastLayer::High  ? grid.high
                                        : layer == ForecastLayer::Low ? grid.low
                                                                      : grid.precipitation;
    const GridField field(values);
    for (int32_t y = 0; y < mapHeight; ++y) {
        // Grid positions of the pixel's centre: the points stand at the cells' centres.
        const double gy =
            (box.north - mapLatitude(box, y)) / (box.north - box.south) * gridRows - 0.5;
        for (int32_t x = 0; x < mapWidth; ++x) {
            const double gx =
                (mapLongitude(box, x) - box.west) / (box.east - box.west) * gridColumns - 0.5;
            canvas.blendPixel(x, y, forecastColour(layer, field.at(gx, gy)));
        }
    }
    outlines(canvas, outlineDark);
    const char* name = layer == ForecastLayer::High  ? "High"
                       : layer == ForecastLayer::Low ? "Low"
                                                     : "Precipitation";
    drawTitle(canvas, std::string(name) + " " + shortDay(grid.date));
    if (layer == ForecastLayer::Precipitation)
        drawRainLegend(canvas);
    else
        drawTemperatureLegend(canvas);
    drawCredit(canvas, "Open-Meteo.com", ink, white);
    return canvas;
}

void finishSatelliteMap(Canvas& picture, const std::string& time, const std::string& credit,
                        const OutlineDrawer& outlines) {
    outlines(picture, outlineLight);
    host::drawLabel(picture, 8, mapHeight - 8 - lineHeight, time, white, Colour{}, 0.45, textScale);
    drawCredit(picture, credit, white, Colour{});
}

}  // namespace nubivo::live
