#include "hosts/live/satellite_times.h"

#include <algorithm>

#include "hosts/core/calendar.h"
#include "hosts/live/json_fields.h"

namespace nubivo::live {
namespace {

constexpr const char* ledgerName = "satellite/eumetsat-asks.json";
constexpr const char* ledgerFormat = "nubivo-live-host EUMETSAT requests";
constexpr int32_t ledgerVersion = 1;
constexpr int64_t hourReady = 20 * 60;
// A step nearer than the learned delay is tried once no time was blank for this long.
constexpr int64_t probeAfter = 3600;

bool valid(int32_t region, Satellite satellite) {
    const auto index = static_cast<int32_t>(satellite);
    return region >= 0 && region < 8 && index >= 0 && index < satelliteCount;
}

}  // namespace

GibsLatency::Ask GibsLatency::timeToAsk(Satellite satellite, int64_t now) {
    std::lock_guard<std::mutex> guard(mutex_);
    Layer& layer = layers_[static_cast<int32_t>(satellite)];
    if (layer.settledAt < 0)
        layer.settledAt = now;
    int64_t latency = layer.latency;
    if (latency - step >= shortestLatency && now - layer.settledAt >= probeAfter)
        latency -= step;
    return Ask{host::floorDiv(now - latency, step) * step, latency};
}

void GibsLatency::heard(Satellite satellite, const Ask& ask, int64_t now, bool imagery) {
    std::lock_guard<std::mutex> guard(mutex_);
    Layer& layer = layers_[static_cast<int32_t>(satellite)];
    // Builds of several regions answer in any order: a found picture only ever shortens the
    // delay, a blank only lengthens it.
    if (imagery) {
        layer.latency = std::min(layer.latency, ask.latency);
    } else {
        layer.latency = std::clamp(ask.latency + step, layer.latency, longestLatency);
        layer.settledAt = now;
    }
}

int64_t eumetsatHour(int64_t now) {
    return host::floorDiv(now - hourReady, 3600) * 3600;
}

EumetsatLedger::EumetsatLedger(const DiskCache& cache) : cache_(cache) {
    const std::optional<std::string> bytes = cache_.read(ledgerName, 64 * 1024);
    const std::optional<Json> json = bytes ? parseJson(*bytes) : std::nullopt;
    if (!json || stringAt(*json, "format") != ledgerFormat ||
        integerAt(*json, "version") != ledgerVersion) {
        return;
    }
    const Json* asks = arrayAt(*json, "asks");
    if (asks == nullptr)
        return;
    for (const Json& ask : *asks) {
        const std::optional<int32_t> region = integerIn(ask, 0);
        const std::optional<int32_t> satellite = integerIn(ask, 1);
        const std::optional<double> at = numberIn(ask, 2);
        if (region && satellite && at && valid(*region, static_cast<Satellite>(*satellite)))
            askedAt_[*region][*satellite] = static_cast<int64_t>(*at);
    }
}

bool EumetsatLedger::mayAsk(int32_t region, Satellite satellite, int64_t now) {
    if (!valid(region, satellite))
        return false;
    std::lock_guard<std::mutex> guard(mutex_);
    const int64_t at = askedAt_[region][static_cast<int32_t>(satellite)];
    // A clock set back since then must not open the door early.
    return at == 0 || now - at >= interval || now < at - interval;
}

void EumetsatLedger::asked(int32_t region, Satellite satellite, int64_t now) {
    if (!valid(region, satellite))
        return;
    std::lock_guard<std::mutex> guard(mutex_);
    askedAt_[region][static_cast<int32_t>(satellite)] = now;
    Json asks = Json::array();
    for (int32_t r = 0; r < 8; ++r) {
        for (int32_t s = 0; s < satelliteCount; ++s) {
            if (askedAt_[r][s] != 0)
                asks.push_back(Json::array({r, s, askedAt_[r][s]}));
        }
    }
    // Written under the lock, so that the file never goes back to an older list.
    cache_.write(ledgerName,
                 Json{{"format", ledgerFormat}, {"version", ledgerVersion}, {"asks", asks}}.dump());
}

}  // namespace nubivo::live
