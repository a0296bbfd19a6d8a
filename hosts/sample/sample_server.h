#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/core/calendar.h"
#include "hosts/sample/sample_maps.h"

namespace httplib {
class Server;
}

namespace nubivo::sample {

using host::Clock;

// A map picture of the current hour, shared by every response that sends it.
struct MapPicture {
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    int64_t hour = 0;  // hours since 1970, UTC; Last-Modified is its start
};

// The host's answers: the feed, the icons and the 32 maps, kept in memory. The maps of an
// hour are made on their first request and dropped when the hour changes. Thread-safe.
class SampleHost {
  public:
    // `fallbackBase` ("http://127.0.0.1:8642") names the icons when a request carries no
    // usable Host header.
    SampleHost(Clock clock, std::string fallbackBase);

    // The map of `region` and `layer` for the clock's hour; null bytes when out of range.
    MapPicture map(int32_t region, int32_t layer);
    // The PNG icon of `code`; null when the code is not used.
    std::shared_ptr<const std::vector<uint8_t>> icon(int32_t code);

    // Adds the routes to `server`, which must not outlive this host. Unknown paths give 404,
    // and a request that does not name the host on the loopback 403.
    void install(httplib::Server& server);

  private:
    Clock clock_;
    std::string fallbackBase_;
    std::mutex mutex_;
    int64_t mapHour_ = INT64_MIN;
    std::shared_ptr<const std::vector<uint8_t>> maps_[mapRegionCount][mapLayerCount];
    std::vector<std::shared_ptr<const std::vector<uint8_t>>> icons_;
};

}  // namespace nubivo::sample
