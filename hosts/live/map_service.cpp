#include "hosts/live/map_service.h"

#include <cstdio>

#include "hosts/core/regions.h"
#include "hosts/live/forecast_grid.h"
#include "hosts/live/json_fields.h"
#include "hosts/live/map_painting.h"

namespace nubivo::live {
namespace {

constexpr const char* mapFormat = "nubivo-live-host map";
constexpr int32_t formatVersion = 1;
constexpr size_t maxMapBytes = 4u * 1024u * 1024u;

std::string mapName(int32_t region, int32_t layer) {
    return "maps/" + std::to_string(region) + "-" + std::to_string(layer);
}

}  // namespace

MapService::MapService(const LiveConfig& config, host::Clock clock, UpstreamClient& upstream,
                       const DiskCache& cache, FlightGroup& flights)
    : config_(config),
      clock_(std::move(clock)),
      upstream_(upstream),
      cache_(cache),
      flights_(flights),
      satellites_(config, clock_, upstream, cache),
      forecastMaps_(config, clock_, upstream, cache) {
    for (int32_t region = 0; region < regionCount; ++region) {
        for (int32_t layer = 0; layer < mapLayerCount; ++layer)
            loadMap(region, layer);
    }
}

MapAnswer MapService::answer(int32_t region, int32_t layer) {
    MapAnswer answer;
    if (region < 0 || region >= regionCount || layer < 0 || layer >= mapLayerCount) {
        answer.status = 404;
        return answer;
    }
    auto snapshot = [&] {
        std::lock_guard<std::mutex> guard(mutex_);
        return maps_[region][layer];
    };
    MapEntry entry = snapshot();
    const int64_t refresh = layer == 0 ? config_.satelliteRefresh : config_.mapRefresh;
    if (!entry.bytes || clock_() - entry.built >= refresh) {
        const Source source = layer == 0 ? SatelliteSource : GridSource;
        if (!recentlyFailed(region, source)) {
            const std::string key =
                (source == SatelliteSource ? "satellite:" : "grid:") + std::to_string(region);
            const auto flight = flights_.run(key, [this, region, source] {
                if (source == SatelliteSource)
                    buildSatellite(region);
                else
                    buildForecastMaps(region);
            });
            flight->waitFor(entry.bytes ? config_.staleWait : config_.coldWait);
            entry = snapshot();
        }
    }
    if (!entry.bytes) {
        answer.status = 503;
        return answer;
    }
    answer.bytes = entry.bytes;
    answer.lastModified = entry.lastModified;
    return answer;
}

void MapService::buildSatellite(int32_t region) {
    const SatelliteBuild built = satellites_.build(region);
    if (built.outcome == SatelliteBuild::Painted)
        store(region, 0, built.jpeg);
    else if (built.outcome == SatelliteBuild::Unchanged)
        touch(region, 0);
    else if (built.asked)
        failed(region, SatelliteSource);
}

void MapService::buildForecastMaps(int32_t region) {
    if (const std::optional<ForecastMaps::Maps> maps = forecastMaps_.build(region)) {
        for (int32_t i = 0; i < 3; ++i)
            store(region, i + 1, maps->jpeg[i], true);
        return;
    }
    bool modelHeld = false;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        modelHeld = maps_[region][1].bytes && maps_[region][1].fromModel;
    }
    if (modelHeld)
        failed(region, GridSource);  // the model's last good maps stay
    else
        buildGridMaps(region);
}

void MapService::buildGridMaps(int32_t region) {
    const host::GeoBox& box = host::regionBoxes[region];
    const UpstreamAnswer reply =
        upstream_.get(Service::Forecast, gridForecastUrl(config_.forecastUrl, box));
    ForecastGrid grid;
    if (!reply.received || reply.status != 200 || !parseGridAnswer(reply.body, &grid)) {
        std::fprintf(stderr, "nubivo-live-host: forecast grid of region %d failed: %s\n", region,
                     reply.error.empty() ? "an answer of another shape" : reply.error.c_str());
        if (reply.sent)
            failed(region, GridSource);
        return;
    }
    const ForecastLayer layers[] = {ForecastLayer::High, ForecastLayer::Low,
                                    ForecastLayer::Precipitation};
    for (int32_t i = 0; i < 3; ++i)
        store(region, i + 1, paintForecastMap(box, grid, layers[i]).encodeJpeg());
}

void MapService::store(int32_t region, int32_t layer, std::vector<uint8_t> bytes, bool fromModel) {
    if (bytes.empty())
        return;
    const int64_t now = clock_();
    MapEntry entry;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        MapEntry& slot = maps_[region][layer];
        if (!slot.bytes || *slot.bytes != bytes) {
            slot.bytes = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
            slot.lastModified = now;
        }
        slot.built = now;
        slot.fromModel = fromModel;
        entry = slot;
    }
    const std::string_view picture(reinterpret_cast<const char*>(entry.bytes->data()),
                                   entry.bytes->size());
    const Json meta = {{"format", mapFormat},
                       {"version", formatVersion},
                       {"region", region},
                       {"layer", layer},
                       {"lastModified", entry.lastModified},
                       {"built", entry.built},
                       {"size", picture.size()},
                       {"checksum", checksumText(picture)},
                       {"model", entry.fromModel ? 1 : 0}};
    // The picture first: a description is only ever next to the picture it describes.
    if (cache_.write(mapName(region, layer) + ".jpg", picture))
        cache_.write(mapName(region, layer) + ".json", meta.dump());
}

void MapService::touch(int32_t region, int32_t layer) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (maps_[region][layer].bytes)
        maps_[region][layer].built = clock_();
}

void MapService::loadMap(int32_t region, int32_t layer) {
    const auto metaBytes = cache_.read(mapName(region, layer) + ".json", 4096);
    const auto picture = cache_.read(mapName(region, layer) + ".jpg", maxMapBytes);
    if (!metaBytes || !picture)
        return;
    const std::optional<Json> meta = parseJson(*metaBytes);
    if (!meta || stringAt(*meta, "format") != mapFormat ||
        integerAt(*meta, "version") != formatVersion || integerAt(*meta, "region") != region ||
        integerAt(*meta, "layer") != layer || numberAt(*meta, "size") != picture->size() ||
        stringAt(*meta, "checksum") != checksumText(*picture)) {
        return;
    }
    const std::optional<double> lastModified = numberAt(*meta, "lastModified");
    const std::optional<double> built = numberAt(*meta, "built");
    host::Canvas check(1, 1, host::Colour{});
    if (!lastModified || !built ||
        !host::Canvas::decode(reinterpret_cast<const uint8_t*>(picture->data()), picture->size(),
                              host::Colour{}, check)) {
        return;
    }
    MapEntry& slot = maps_[region][layer];
    slot.bytes = std::make_shared<const std::vector<uint8_t>>(picture->begin(), picture->end());
    slot.lastModified = static_cast<int64_t>(*lastModified);
    slot.built = static_cast<int64_t>(*built);
    slot.fromModel = integerAt(*meta, "model") == 1;
}

bool MapService::recentlyFailed(int32_t region, Source source) {
    std::lock_guard<std::mutex> guard(mutex_);
    const int64_t at = failedAt_[region][source];
    return at != 0 && clock_() - at < config_.mapRetryDelay;
}

void MapService::failed(int32_t region, Source source) {
    std::lock_guard<std::mutex> guard(mutex_);
    failedAt_[region][source] = clock_();
}

}  // namespace nubivo::live
