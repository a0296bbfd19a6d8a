#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "hosts/core/canvas.h"
#include "hosts/core/regions.h"
#include "hosts/live/gfs_forecast.h"
#include "hosts/live/gfs_grid.h"
#include "hosts/live/map_painting.h"

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

    // The maps of `region` (an index into host::regionBoxes); nullopt when the model's fields
    // of the current period cannot be had now. The same fields always give the same bytes.
    std::optional<Maps> build(int32_t region);

  private:
    GfsForecast forecast_;
};

// The map of `layer` over `box` painted from `field` at the model's resolution, bilinear
// between its points, in the shared look (host::drawFieldMap): the title names the period
// that starts at `periodStart` ("High, Wed 9 Dec 00–24 UTC"), the credit "NOAA GFS".
host::Canvas paintModelMap(const host::GeoBox& box, const FieldCrop& field, ForecastLayer layer,
                           int64_t periodStart);

}  // namespace nubivo::live
