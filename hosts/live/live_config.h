#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "hosts/live/upstream_client.h"
#include "project_values.h"

namespace nubivo::live {

// The providers' endpoints as they document them.
inline constexpr const char* defaultForecastUrl = "https://api.open-meteo.com/v1/forecast";
inline constexpr const char* defaultGeocodingUrl = "https://geocoding-api.open-meteo.com/v1/search";
inline constexpr const char* defaultImageryUrl =
    "https://gibs.earthdata.nasa.gov/wms/epsg4326/best/wms.cgi";
// NOAA's bucket of the GFS model's runs (Open Data Dissemination).
inline constexpr const char* defaultGfsUrl = "https://noaa-gfs-bdp-pds.s3.amazonaws.com";
inline constexpr const char* defaultEumetsatUrl = "https://view.eumetsat.int/geoserver/wms";

// Everything the live host is set up with. Times are seconds unless named otherwise.
struct LiveConfig {
    int port = defaultHostPort;
    std::string cacheFolder;  // "" keeps nothing on disk
    std::string forecastUrl = defaultForecastUrl;
    std::string geocodingUrl = defaultGeocodingUrl;
    std::string imageryUrl = defaultImageryUrl;
    std::string gfsUrl = defaultGfsUrl;
    std::string eumetsatUrl = defaultEumetsatUrl;
    int64_t feedTtl = 900;            // a place's weather is fresh this long
    int64_t mapRefresh = 10800;       // a forecast map is rebuilt at most this often
    int64_t satelliteRefresh = 1200;  // a satellite map is rebuilt at most this often
    // Weather older than this is never served, whatever upstream does.
    int64_t staleLimit = 86400;
    // A place the geocoder did not know is asked for again after this long.
    int64_t notFoundTtl = 86400;
    // After a failed upstream attempt for one key, no new attempt for this long.
    int64_t feedRetryDelay = 30;
    int64_t mapRetryDelay = 300;
    // Places, weather and failures each held in memory at most; beyond, memory starts afresh
    // (the disk still has them).
    size_t heldEntries = 5000;
    // How long an answer waits for upstream: with data held (then the held data is served)
    // and with nothing held (then a 503).
    std::chrono::milliseconds staleWait{2000};
    std::chrono::milliseconds coldWait{15000};
    UpstreamLimits upstream;
    int32_t upstreamConcurrency = 4;
};

}  // namespace nubivo::live
