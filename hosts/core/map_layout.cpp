#include "hosts/core/map_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "hosts/core/colour_scales.h"
#include "hosts/core/drawing.h"
#include "hosts/core/typeface.h"
#include "hosts/core/units.h"

namespace nubivo::host {
namespace {

constexpr double edge = 6;  // from the picture's edges to a plate
constexpr double padX = 6;  // inside a plate, beside the text
constexpr double padY = 3;  // inside a plate, above and below the text
constexpr double plateRadius = 4;
constexpr double barHeight = 10;
constexpr double tickReach = 2;      // how far a mark stands out of the bar
constexpr double labelGap = 6;       // the least room between two labels
constexpr double smallestText = 11;  // a text shrunk to fit goes no smaller
constexpr Colour plate{250, 250, 247};
constexpr double plateAlpha = 0.88;
constexpr Colour ink{22, 24, 28};
constexpr const char* ellipsis = "\xE2\x80\xA6";

void drawPlate(const Drawing& drawing, const PlateRect& r) {
    drawing.roundedRectangle(r.left, r.top, r.right - r.left, r.bottom - r.top, plateRadius);
    drawing.setColour(plate, plateAlpha);
    cairo_fill(drawing.cairo());
}

// The size, no larger than `size` and no smaller than smallestText, at which `text` fits
// `room` pixels, and the text itself, shortened with an ellipsis when even that is too wide.
std::pair<std::string, double> fitted(std::string_view text, double size, double room,
                                      Weight weight) {
    while (size > smallestText && measureText(text, size, weight).width > room)
        size -= 0.5;
    std::string shown(text);
    bool cut = false;
    while (!shown.empty() &&
           measureText(cut ? shown + ellipsis : shown, size, weight).width > room) {
        // One UTF-8 character off the end: its continuation bytes, then its first byte.
        while (!shown.empty()) {
            const auto byte = static_cast<unsigned char>(shown.back());
            shown.pop_back();
            if ((byte & 0xC0) != 0x80)
                break;
        }
        cut = true;
    }
    return {cut ? shown + ellipsis : shown, size};
}

// The width of the widest label of `row` beyond the bar's ends, at each end.
std::pair<double, double> overhang(const LegendRow& row, double barLength) {
    double left = 0;
    double right = 0;
    for (const LegendTick& tick : row.ticks) {
        const double half = measureText(tick.label, labelTextSize).width / 2;
        left = std::max(left, half - tick.at * barLength);
        right = std::max(right, tick.at * barLength + half - barLength);
    }
    return {left, right};
}

}  // namespace

std::string numberLabel(double value) {
    char text[32];
    if (std::abs(value - std::round(value)) < 1e-9) {
        const long long whole = std::llround(value);
        std::snprintf(text, sizeof text, "%s%lld", whole < 0 ? "\xE2\x88\x92" : "",
                      whole < 0 ? -whole : whole);
    } else {
        std::snprintf(text, sizeof text, "%s%g", value < 0 ? "\xE2\x88\x92" : "", std::abs(value));
    }
    return text;
}

std::vector<LegendTick> roundTicks(double low, double high, double barLength,
                                   const std::vector<double>& steps,
                                   const std::function<std::string(double)>& label) {
    for (const double step : steps) {
        std::vector<LegendTick> ticks;
        double lastRight = -1e9;
        bool roomy = true;
        for (double value = std::ceil(low / step - 1e-9) * step; value <= high + 1e-9;
             value += step) {
            LegendTick tick{(value - low) / (high - low), label(value)};
            const double half = measureText(tick.label, labelTextSize).width / 2;
            const double x = tick.at * barLength;
            if (x - half < lastRight + labelGap) {
                roomy = false;
                break;
            }
            lastRight = x + half;
            ticks.push_back(std::move(tick));
        }
        if (roomy && ticks.size() >= 2)
            return ticks;
    }
    return {};
}

PlateRect drawTitle(Canvas& map, std::string_view title) {
    const double room = map.width() - 2 * (edge + padX);
    const auto [text, size] = fitted(title, titleTextSize, room, Weight::Bold);
    const TextExtent extent = measureText(text, size, Weight::Bold);
    const PlateRect r{edge, edge, edge + 2 * padX + extent.width,
                      edge + 2 * padY + extent.ascent + extent.descent};
    const Drawing drawing(map);
    drawPlate(drawing, r);
    drawing.setColour(ink);
    drawText(drawing, r.left + padX, r.top + padY + extent.ascent, text, size, Weight::Bold);
    return r;
}

FooterPlates drawFooter(Canvas& map, const Legend& legend, std::string_view credit) {
    const Drawing drawing(map);
    const TextExtent line = measureText("0", labelTextSize);
    FooterPlates plates;

    // The legend: rows of labels above and below the bar, the units after them.
    double left = 0;
    double right = 0;
    double unitWidth = 0;
    for (const LegendRow& row : legend.rows) {
        const auto [l, r] = overhang(row, legend.barLength);
        left = std::max(left, l);
        right = std::max(right, r);
        unitWidth = std::max(unitWidth, measureText(row.unit, labelTextSize).width);
    }
    const bool below = legend.rows.size() > 1;
    const double height = 2 * padY + line.ascent + tickReach + barHeight + tickReach +
                          (below ? line.ascent + line.descent : line.descent);
    PlateRect& l = plates.legend;
    l = {edge, map.height() - edge - height, 0, map.height() - edge};
    const double barLeft = l.left + padX + left;
    const double unitLeft = barLeft + legend.barLength + right + labelGap;
    l.right = unitLeft + unitWidth + padX;
    if (!legend.rows.empty()) {
        drawPlate(drawing, l);
        const double barTop = l.top + padY + line.ascent + tickReach;
        // The bar pixel column by column, land above water.
        const auto columns = static_cast<int32_t>(std::lround(legend.barLength));
        for (int32_t x = 0; x < columns; ++x) {
            const double at = (x + 0.5) / columns;
            const double split = legend.water ? barHeight / 2 : barHeight;
            drawing.setColour(legend.land(at));
            cairo_rectangle(drawing.cairo(), barLeft + x, barTop, 1, split);
            cairo_fill(drawing.cairo());
            if (legend.water) {
                drawing.setColour(legend.water(at));
                cairo_rectangle(drawing.cairo(), barLeft + x, barTop + split, 1, barHeight - split);
                cairo_fill(drawing.cairo());
            }
        }
        drawing.setColour(ink);
        cairo_set_line_width(drawing.cairo(), 1);
        cairo_rectangle(drawing.cairo(), barLeft - 0.5, barTop - 0.5, legend.barLength + 1,
                        barHeight + 1);
        cairo_stroke(drawing.cairo());
        for (size_t i = 0; i < legend.rows.size() && i < 2; ++i) {
            const LegendRow& row = legend.rows[i];
            const double baseline =
                i == 0 ? barTop - tickReach - 1 : barTop + barHeight + tickReach + line.ascent;
            for (const LegendTick& tick : row.ticks) {
                const double x = std::round(barLeft + tick.at * legend.barLength) + 0.5;
                cairo_move_to(drawing.cairo(), x, i == 0 ? barTop - tickReach : barTop);
                cairo_line_to(drawing.cairo(), x,
                              i == 0 ? barTop + barHeight : barTop + barHeight + tickReach);
                cairo_stroke(drawing.cairo());
                const double width = measureText(tick.label, labelTextSize).width;
                drawText(drawing, x - width / 2, baseline, tick.label, labelTextSize);
            }
            drawText(drawing, unitLeft, baseline, row.unit, labelTextSize);
        }
    } else {
        l.right = l.left;
    }

    // The credit, at the right, as large as the room beside the legend allows.
    const double room = map.width() - edge - 2 * padX - (l.right + labelGap);
    const auto [text, size] = fitted(credit, labelTextSize, room, Weight::Regular);
    const TextExtent extent = measureText(text, size);
    PlateRect& c = plates.credit;
    c = {map.width() - edge - 2 * padX - extent.width,
         map.height() - edge - 2 * padY - extent.ascent - extent.descent, map.width() - edge,
         map.height() - edge};
    drawPlate(drawing, c);
    drawing.setColour(ink);
    drawText(drawing, c.left + padX, c.bottom - padY - extent.descent, text, size);
    return plates;
}

Legend temperatureLegend() {
    Legend legend;
    legend.land = [](double at) {
        return temperatureColour(temperatureLow + at * (temperatureHigh - temperatureLow),
                                 Surface::Land);
    };
    legend.water = [](double at) {
        return temperatureColour(temperatureLow + at * (temperatureHigh - temperatureLow),
                                 Surface::Water);
    };
    legend.rows.push_back(
        {roundTicks(temperatureLow, temperatureHigh, legend.barLength, {10, 20}, numberLabel),
         "\xC2\xB0"
         "C"});
    legend.rows.push_back({roundTicks(fahrenheit(temperatureLow), fahrenheit(temperatureHigh),
                                      legend.barLength, {5, 10, 20, 50}, numberLabel),
                           "\xC2\xB0"
                           "F"});
    return legend;
}

Legend precipitationLegend() {
    Legend legend;
    auto mmAt = [](double at) {
        return precipitationLow * std::pow(precipitationHigh / precipitationLow, at);
    };
    legend.land = [mmAt](double at) { return precipitationColour(mmAt(at), Surface::Land); };
    legend.water = [mmAt](double at) { return precipitationColour(mmAt(at), Surface::Water); };
    // Marks from lists of round amounts, each kept when it leaves its label room.
    auto marks = [&legend](std::initializer_list<double> amounts, double mmPerUnit) {
        std::vector<LegendTick> ticks;
        double lastRight = -1e9;
        for (const double amount : amounts) {
            LegendTick tick{precipitationPosition(amount * mmPerUnit), numberLabel(amount)};
            const double half = measureText(tick.label, labelTextSize).width / 2;
            const double x = tick.at * legend.barLength;
            if (x - half >= lastRight + labelGap) {
                lastRight = x + half;
                ticks.push_back(std::move(tick));
            }
        }
        return ticks;
    };
    legend.rows.push_back({marks({0.1, 2, 10, 50}, 1.0), "mm"});
    legend.rows.push_back({marks({0.01, 0.1, 0.5, 1}, 25.4), "in"});
    return legend;
}

Legend distanceLegend(const GeoBox& box) {
    // The bar's row is near the bottom of the picture; the scale is true along it.
    const double latitude = mapLatitude(box, mapHeight - edge - 20);
    const double kmPerPixel = (box.east - box.west) / mapWidth * 111.32 *
                              std::max(std::cos(latitude * std::numbers::pi / 180), 0.05);
    // The longest round distance that fits 200 pixels.
    double km = 50;
    for (const double candidate : {100.0, 200.0, 300.0, 500.0, 1000.0, 2000.0, 3000.0, 5000.0}) {
        if (candidate / kmPerPixel <= 200)
            km = candidate;
    }
    Legend legend;
    legend.barLength = km / kmPerPixel;
    // Four segments, dark and light in turn.
    legend.land = [](double at) {
        return static_cast<int32_t>(at * 4) % 2 == 0 ? ink : Colour{255, 255, 255};
    };
    const std::vector<double> steps = {25, 50, 100, 150, 200, 250, 500, 1000, 1500, 2000, 2500};
    // The km marks end at the bar's end.
    std::vector<double> kmSteps;
    for (const double step : steps) {
        if (std::fmod(km, step) == 0)
            kmSteps.push_back(step);
    }
    std::vector<LegendTick> kmTicks = roundTicks(0, km, legend.barLength, kmSteps, numberLabel);
    if (kmTicks.empty())
        kmTicks = {{0, "0"}, {1, numberLabel(km)}};
    legend.rows.push_back({std::move(kmTicks), "km"});
    const double miles = km * 1000 / metresPerMile;
    legend.rows.push_back({roundTicks(0, miles, legend.barLength, steps, numberLabel), "mi"});
    return legend;
}

}  // namespace nubivo::host
