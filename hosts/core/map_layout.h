#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/core/canvas.h"
#include "hosts/core/regions.h"

namespace nubivo::host {

// The frame of every map: a title in the top band, a legend with units at the bottom left and
// the credit at the bottom right of the bottom band, each on a light plate that keeps dark
// text legible over any colour. Sizes are for the 440 x 330 maps, which the viewer shows at
// three quarters: text no smaller than 12 pixels there.
inline constexpr int32_t titleBand = 40;     // the top rows: the title
inline constexpr int32_t footerBand = 64;    // the bottom rows: legend and credit
inline constexpr double titleTextSize = 17;  // pixels to the em: capitals 12.4 pixels high
inline constexpr double labelTextSize = 14;  // capitals and digits 10.2 pixels high

// A plate's rectangle in pixels.
struct PlateRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// One labelled mark along a legend's bar; `at` runs from 0 at its left end to 1 at its right.
struct LegendTick {
    double at;
    std::string label;
};

// A row of marks in one unit, the unit after them: "-20 0 20 40 °C".
struct LegendRow {
    std::vector<LegendTick> ticks;
    std::string unit;
};

// A colour bar with one or two rows of marks (the first above it, the second below).
struct Legend {
    double barLength = 180;                  // pixels
    std::function<Colour(double at)> land;   // the bar's colours, from 0 to 1
    std::function<Colour(double at)> water;  // when set: the lower half of the bar
    std::vector<LegendRow> rows;
};

// Draws the title in the top band, at most `titleTextSize` (smaller when it would not fit
// the width, shortened as a last resort); returns its plate.
PlateRect drawTitle(Canvas& map, std::string_view title);

// Draws the legend (left) and the credit line (right) in the bottom band; a credit too long
// for the room beside the legend is drawn smaller. Returns the two plates.
struct FooterPlates {
    PlateRect legend;
    PlateRect credit;
};
FooterPlates drawFooter(Canvas& map, const Legend& legend, std::string_view credit);

// Round marks for a row: the multiples of the smallest of `steps` whose labels (made by
// `label`, drawn at labelTextSize) stand apart on a bar of `barLength` pixels that runs from
// `low` to `high` in the row's unit. Empty when no step gives room.
std::vector<LegendTick> roundTicks(double low, double high, double barLength,
                                   const std::vector<double>& steps,
                                   const std::function<std::string(double)>& label);

// The labels of numbers: "−20" with a true minus sign, "0.1", "2".
std::string numberLabel(double value);

// The legends of the scales in colour_scales.h, with land and water halves: degrees C and F,
// or mm and inches.
Legend temperatureLegend();
Legend precipitationLegend();
// A distance scale in km and miles, true along the latitude where it is drawn on a map of
// `box`: the legend of pictures that have no values of their own (satellite imagery).
Legend distanceLegend(const GeoBox& box);

}  // namespace nubivo::host
