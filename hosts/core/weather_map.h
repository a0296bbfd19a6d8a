#pragma once

#include <functional>
#include <string>
#include <vector>

#include "hosts/core/canvas.h"
#include "hosts/core/colour_scales.h"
#include "hosts/core/map_layout.h"
#include "hosts/core/map_outlines.h"
#include "hosts/core/regions.h"

namespace nubivo::host {

// Whole maps as both hosts serve them: a forecast field painted from any gridded values, or a
// picture of imagery, each with Natural Earth's outlines, a title, a legend and a credit.

// What a field holds: degrees C (highs and lows alike), or mm of precipitation.
enum class MapQuantity { Temperature, Precipitation };

// The colour of `value` of `quantity` over `surface` (colour_scales.h).
Colour quantityColour(MapQuantity quantity, double value, Surface surface);
Legend quantityLegend(MapQuantity quantity);

// A value for every map pixel, row by row from the top, mapWidth x mapHeight; NaN where the
// field has none (the base map shows).
using PixelValues = std::vector<double>;
// A field asked once for every map pixel, at its centre, in degrees.
using FieldFunction = std::function<double(double lon, double lat)>;

// The field's colours over the land and water of `box`, on every pixel of `map` (of the map's
// size). Values of another count than the map's pixels paint the base map alone.
void paintField(Canvas& map, const GeoBox& box, MapQuantity quantity, const PixelValues& values);
PixelValues sampleField(const GeoBox& box, const FieldFunction& valueAt);

// The texts of a map: what and when ("High, Mon 7 Dec"), and whose data ("Open-Meteo.com").
struct MapTexts {
    std::string title;
    std::string credit;
};

// A forecast map: the field, the outlines, the title, the quantity's legend and the credit.
Canvas drawFieldMap(const GeoBox& box, MapQuantity quantity, const PixelValues& values,
                    const MapTexts& texts);
Canvas drawFieldMap(const GeoBox& box, MapQuantity quantity, const FieldFunction& valueAt,
                    const MapTexts& texts);

// Finishes a picture of imagery over `box` at the map's size (a decoded photograph): the
// outlines in light lines, the title (say when the imagery was taken), a distance scale and
// the credit. Every other pixel stays as it was: no tint, no vignette.
void finishImageryMap(Canvas& picture, const GeoBox& box, const MapTexts& texts);

}  // namespace nubivo::host
