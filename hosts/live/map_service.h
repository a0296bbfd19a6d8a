#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hosts/core/calendar.h"
#include "hosts/core/canvas.h"
#include "hosts/live/disk_cache.h"
#include "hosts/live/flight_group.h"
#include "hosts/live/forecast_maps.h"
#include "hosts/live/live_config.h"
#include "hosts/live/satellite_maps.h"
#include "hosts/live/upstream_client.h"
#include "state/enumerations.h"

namespace nubivo::live {

// A map as the host serves it.
struct MapAnswer {
    int status = 200;  // 200, 404 for no such map, 503 when none could be made yet
    std::shared_ptr<const std::vector<uint8_t>> bytes;  // JPEG
    int64_t lastModified = 0;  // seconds since 1970: when these bytes were first served
};

// The 32 maps: satellite maps of geostationary imagery (rebuilt on demand at most every
// satellite refresh) and forecast maps painted from the GFS model's fields (or, when the model
// cannot be had and no map of it is held, from one Open-Meteo grid per region; at most every
// map refresh), each kept with its Last-Modified in memory and on disk. A rebuild that gives
// the same bytes keeps the old Last-Modified; a failed one keeps the old map. Thread-safe.
class MapService {
  public:
    MapService(const LiveConfig& config, host::Clock clock, UpstreamClient& upstream,
               const DiskCache& cache, FlightGroup& flights);

    MapAnswer answer(int32_t region, int32_t layer);

  private:
    struct MapEntry {
        std::shared_ptr<const std::vector<uint8_t>> bytes;
        int64_t lastModified = 0;
        int64_t built = 0;
        bool fromModel = false;  // a forecast map painted from the model's fields
    };
    enum Source { SatelliteSource = 0, GridSource = 1 };

    void buildSatellite(int32_t region);
    void buildForecastMaps(int32_t region);
    void buildGridMaps(int32_t region);
    void store(int32_t region, int32_t layer, std::vector<uint8_t> bytes, bool fromModel = false);
    // Counts a rebuild that would give the same picture as built now.
    void touch(int32_t region, int32_t layer);
    void loadMap(int32_t region, int32_t layer);
    bool recentlyFailed(int32_t region, Source source);
    void failed(int32_t region, Source source);

    const LiveConfig& config_;
    host::Clock clock_;
    UpstreamClient& upstream_;
    const DiskCache& cache_;
    FlightGroup& flights_;
    SatelliteMaps satellites_;
    std::mutex mutex_;
    MapEntry maps_[regionCount][mapLayerCount];
    int64_t failedAt_[regionCount][2]{};
    ForecastMaps forecastMaps_;
};

}  // namespace nubivo::live
