#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hosts/core/calendar.h"
#include "hosts/core/icons.h"
#include "hosts/live/disk_cache.h"
#include "hosts/live/feed_service.h"
#include "hosts/live/flight_group.h"
#include "hosts/live/live_config.h"
#include "hosts/live/map_service.h"
#include "hosts/live/upstream_client.h"

namespace httplib {
class Server;
}

namespace nubivo::live {

// The live host: the viewer's feed and its 32 maps from the public services, with the
// icons the feeds name. Destroying it ends every upstream request within a few hundred
// milliseconds and waits for the work under way.
class LiveHost {
  public:
    LiveHost(LiveConfig config, host::Clock clock);
    ~LiveHost();

    HostAnswer feed(std::string_view location, bool metric, const std::string& iconBase);
    MapAnswer map(int32_t region, int32_t layer);

    // Adds the routes to `server`, which must stop before this host goes. Unknown paths
    // give 404, and a request that does not name the host on the loopback 403.
    void install(httplib::Server& server);

    UpstreamClient& upstream() { return upstream_; }

  private:
    std::shared_ptr<const std::vector<uint8_t>> icon(host::IconKind kind);

    LiveConfig config_;
    host::Clock clock_;
    UpstreamClient upstream_;
    DiskCache cache_;
    FeedService feeds_;
    MapService maps_;
    std::mutex iconMutex_;
    std::shared_ptr<const std::vector<uint8_t>> icons_[host::iconKindCount];
    // Last, so that it goes first: its runs use everything above.
    FlightGroup flights_;
};

}  // namespace nubivo::live
