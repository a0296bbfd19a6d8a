#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hosts/core/calendar.h"
#include "hosts/core/canvas.h"
#include "hosts/live/disk_cache.h"
#include "hosts/live/live_config.h"
#include "hosts/live/map_painting.h"
#include "hosts/live/satellite_mosaic.h"
#include "hosts/live/satellite_times.h"
#include "hosts/live/upstream_client.h"
#include "hosts/live/wms.h"

namespace nubivo::live {

// What one build of a satellite map gave.
struct SatelliteBuild {
    enum Outcome {
        Painted,    // `jpeg` holds the map
        Unchanged,  // the map would show what the last one showed
        Failed,     // nothing to show: no imagery and no composite held
    };
    Outcome outcome = Failed;
    std::vector<uint8_t> jpeg;
    bool asked = false;  // some upstream request went out
};

// The satellite maps: each region's newest geostationary imagery from GIBS (GOES, Himawari)
// and EUMETSAT (Meteosat), combined, with yesterday's composite from GIBS where no assigned
// satellite sees. A build asks each satellite at most once, and only for a time newer than
// the picture held; Meteosat only for whole hours, once an hour per region. Each satellite's
// last good picture per region is kept in memory and on disk and shown until a newer one
// comes (for up to six hours). Thread-safe; builds of different regions may run at once.
class SatelliteMaps {
  public:
    SatelliteMaps(const LiveConfig& config, host::Clock clock, UpstreamClient& upstream,
                  const DiskCache& cache);

    // Builds the map of `region` (0 to 7).
    SatelliteBuild build(int32_t region);

    // A held picture is shown for at most this long after it was taken.
    static constexpr int64_t heldLimit = 6 * 3600;

  private:
    struct Held {
        int64_t observed = 0;
        std::shared_ptr<const std::string> bytes;  // as the service sent it
    };
    struct Composite {
        std::string day;
        std::shared_ptr<const std::string> bytes;
        std::string triedDay;
        int64_t triedAt = 0;
        uint32_t tries = 0;
    };
    struct LayerTimes {
        std::optional<TimeDomain> domain;
        int64_t fetchedAt = 0;
    };

    void fetch(int32_t region, Satellite satellite, int64_t now, bool* asked);
    void fetchGibs(int32_t region, Satellite satellite, int64_t now, bool* asked);
    void fetchEumetsat(int32_t region, Satellite satellite, int64_t now, bool* asked);
    bool eumetsatHolds(Satellite satellite, int64_t hour, int64_t now, bool* asked);
    // Yesterday's composite of the region, fetched once a day; nullopt when none is held.
    std::optional<host::Canvas> composite(int32_t region, int64_t now, std::string* day,
                                          bool* asked);
    // Keeps a judged picture in memory and on disk.
    void hold(int32_t region, Satellite satellite, int64_t observed, std::string bytes);
    std::optional<Held> usable(int32_t region, Satellite satellite, int64_t now);
    void loadHeld();

    const LiveConfig& config_;
    host::Clock clock_;
    UpstreamClient& upstream_;
    const DiskCache& cache_;
    GibsLatency gibs_;
    EumetsatLedger ledger_;
    std::mutex mutex_;
    Held held_[8][satelliteCount];
    Composite composites_[8];
    LayerTimes eumetsatTimes_[satelliteCount];
    // One capabilities request per layer at a time; the others wait for its answer.
    std::mutex capabilitiesMutex_[satelliteCount];
    std::string shown_[8];  // what each region's last map showed
};

}  // namespace nubivo::live
