#pragma once

#include <string>

#include "hosts/core/canvas.h"
#include "hosts/core/regions.h"
#include "hosts/core/weather_map.h"
#include "hosts/live/forecast_grid.h"

namespace nubivo::live {

// The three maps painted from a region's forecast grid.
enum class ForecastLayer { High, Low, Precipitation };

// What `layer` shows: degrees C or mm.
host::MapQuantity quantityOf(ForecastLayer layer);

// The map of `layer` over `box` from Open-Meteo's grid (the painter for when no model grid
// can be had): the grid's values interpolated smoothly to every pixel in the shared colour
// scale over the land and water base, the outlines, the title with the day ("High, Mon 7
// Dec"), the legend with its units and the credit, "Open-Meteo.com".
host::Canvas paintForecastMap(const host::GeoBox& box, const ForecastGrid& grid,
                              ForecastLayer layer);

// Finishes a satellite map of `box`: the outlines, the title with when the imagery was taken
// ("Satellite, 14:20 UTC"), a distance scale and whose the imagery is (`credit`).
void finishSatelliteMap(host::Canvas& picture, const host::GeoBox& box, const std::string& time,
                        const std::string& credit);

// "Mon 7 Dec" for "2026-12-07"; the text as it stands when it is no date.
std::string shortDay(const std::string& isoDay);

}  // namespace nubivo::live
