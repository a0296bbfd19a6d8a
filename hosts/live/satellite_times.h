#pragma once

#include <cstdint>
#include <mutex>

#include "hosts/live/disk_cache.h"
#include "hosts/live/satellite_views.h"

namespace nubivo::live {

// GIBS's geostationary layers hold a picture every 10 minutes, each about 40 minutes after it
// was taken, at irregular delays. The newest one is not looked up: the capabilities that
// list it are several megabytes, and a request of its own would break the budget of one
// request per satellite and map. Instead each layer's delay is learned from the answers
// (GIBS draws a time it does not hold yet blank, not as an error): the time asked is a whole
// 10-minute step that many minutes back. A blank moves it a step further back; an hour after
// the layer was first asked, or after its last blank, a step nearer is tried, so the time
// asked stays within a step of the newest held. Never in the future, never more than two
// hours back. Thread-safe.
class GibsLatency {
  public:
    struct Ask {
        int64_t time;     // seconds since 1970, a whole step
        int64_t latency;  // the delay it was derived with
    };

    Ask timeToAsk(Satellite satellite, int64_t now);
    // What the answer to `ask` was at `now`: imagery, or a blank picture (not held yet).
    void heard(Satellite satellite, const Ask& ask, int64_t now, bool imagery);

    static constexpr int64_t step = 600;
    static constexpr int64_t firstLatency = 50 * 60;
    static constexpr int64_t shortestLatency = 20 * 60;
    static constexpr int64_t longestLatency = 110 * 60;

  private:
    struct Layer {
        int64_t latency = firstLatency;
        // When the layer was first asked or a time last found not held yet; -1 before.
        int64_t settledAt = -1;
    };
    std::mutex mutex_;
    Layer layers_[satelliteCount];
};

// EUMETSAT's data policy makes hourly Meteosat imagery free: only whole hours are asked, and
// only once the hour's picture has had 20 minutes to arrive. The newest such hour at `now`.
int64_t eumetsatHour(int64_t now);

// At most one GetMap per region and Meteosat layer within an hour, whatever its outcome:
// remembered across refreshes and, in the cache folder, across restarts. Thread-safe.
class EumetsatLedger {
  public:
    explicit EumetsatLedger(const DiskCache& cache);

    bool mayAsk(int32_t region, Satellite satellite, int64_t now);
    // Notes a GetMap sent at `now`.
    void asked(int32_t region, Satellite satellite, int64_t now);

    static constexpr int64_t interval = 3600;

  private:
    const DiskCache& cache_;
    std::mutex mutex_;
    int64_t askedAt_[8][satelliteCount]{};
};

}  // namespace nubivo::live
