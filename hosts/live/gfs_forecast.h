#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "hosts/core/calendar.h"
#include "hosts/live/disk_cache.h"
#include "hosts/live/gfs_fields.h"
#include "hosts/live/gfs_inventory.h"
#include "hosts/live/gfs_plan.h"
#include "hosts/live/live_config.h"
#include "hosts/live/upstream_client.h"

namespace nubivo::live {

// What the host asked of the model's bucket so far.
struct BucketTraffic {
    int64_t requests = 0;
    int64_t bytes = 0;  // body bytes received
};

// The forecast maps' fields from NOAA's GFS model: for the period that starts at the first
// cycle time at or after now, from the newest run whose files the period needs are all
// there (looking back runsLookedBack cycles from the newest by the clock). Only the records
// the period needs are fetched, each once, by Range requests; each message is decoded, cut
// to the regions' boxes and folded into the period's fields at once, so at most one global
// field is held. The fields are kept in memory and in the disk cache ("model/fields.bin"),
// and a later call fetches nothing while they are those of the newest run. Thread-safe: one
// caller fetches at a time, the others wait for it.
class GfsForecast {
  public:
    GfsForecast(const LiveConfig& config, host::Clock clock, UpstreamClient& upstream,
                const DiskCache& cache);

    // The fields of the current period; null when none can be had (the bucket out of reach
    // or answering garbage, a damaged message, no complete run), and then what is held is
    // kept. The bucket is asked at most once every retry delay (LiveConfig::mapRetryDelay)
    // for one period.
    std::shared_ptr<const PeriodFields> fields();

    BucketTraffic traffic() const { return {requests_.load(), bytes_.load()}; }

  private:
    enum class Outcome { Done, Incomplete, Failed };
    Outcome tryRun(int64_t run, int64_t period);
    Outcome fetchFields(const PeriodPlan& plan);
    void loadHeld();

    const LiveConfig& config_;
    host::Clock clock_;
    UpstreamClient& upstream_;
    const DiskCache& cache_;
    std::mutex mutex_;  // held through a whole check, fetches included
    std::shared_ptr<const PeriodFields> held_;
    bool loaded_ = false;
    std::optional<int64_t> checkedAt_;  // when the bucket was last asked, for which period
    int64_t checkedPeriod_ = 0;
    // The inventories of one run (the last one read), by forecast hour.
    int64_t inventoryRun_ = 0;
    std::map<int32_t, std::vector<InventoryRecord>> inventories_;
    std::atomic<int64_t> requests_{0};
    std::atomic<int64_t> bytes_{0};
};

}  // namespace nubivo::live
