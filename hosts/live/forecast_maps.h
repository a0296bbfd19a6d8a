#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "hosts/core/canvas.h"
#include "hosts/live/gfs_forecast.h"
#include "hosts/live/gfs_grid.h"
#include "hosts/live/map_painting.h"
#include "hosts/live/regions.h"

namespace nubivo::live {

// The high, low and precipitation maps of the regions, painted from the GFS model's fields
// of the current period (see GfsForecast). Thread-safe.
class ForecastMaps {
  public:
    ForecastMaps(const LiveConfig& config, host::Clock clock, UpstreamClient& upstream,
                 const DiskCache& cache);

    // A region's three maps as JPEG bytes, in the order High, Low, Precipitation.
    struct Maps {
        std::vector<uint8_t> jpeg[3];
    };

    // The maps of `region` (an index into regionBoxes); nullopt when the model's fields of
    // the current period cannot be had now. The same fields always give the same bytes.
    std::optional<Maps> build(int32_t region, const OutlineDrawer& outlines);

  private:
    GfsForecast forecast_;
};

// The map of `layer` over `box` (plate carree, 440 x 330) painted from `field` at the
// model's resolution, bilinear between its points, with the outlines, a title naming the
// period that starts at `periodStart`, the legend and the credit, "NOAA GFS".
host::Canvas paintModelMap(const GeoBox& box, const FieldCrop& field, ForecastLayer layer,
                           int64_t periodStart, const OutlineDrawer& outlines);

}  // namespace nubivo::live
