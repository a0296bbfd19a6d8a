#pragma once

#include <functional>
#include <string>

#include "hosts/core/canvas.h"
#include "hosts/live/forecast_grid.h"
#include "hosts/live/regions.h"

namespace nubivo::live {

// The three maps painted from a region's forecast grid.
enum class ForecastLayer { High, Low, Precipitation };

// Draws a region's coastlines and borders in a colour onto a map of it.
using OutlineDrawer = std::function<void(host::Canvas& map, host::Colour colour)>;

// The map of `layer` over `box`: a smooth colour field of the grid's values, the outlines
// over it, a title with the day, a legend with its units (degrees C and F, or mm) and the
// data's credit, "Open-Meteo.com".
host::Canvas paintForecastMap(const GeoBox& box, const ForecastGrid& grid, ForecastLayer layer,
                              const OutlineDrawer& outlines);

// The colour of `value` (degrees C, or mm) on the map of `layer`.
host::Colour forecastColour(ForecastLayer layer, double value);

// Finishes a satellite map: the outlines, when the imagery was taken (`time`, in a corner)
// and whose it is (`credit`, in the other).
void finishSatelliteMap(host::Canvas& picture, const std::string& time, const std::string& credit,
                        const OutlineDrawer& outlines);

// "Mon 7 Dec" for "2026-12-07"; the text as it stands when it is no date.
std::string shortDay(const std::string& isoDay);

}  // namespace nubivo::live
