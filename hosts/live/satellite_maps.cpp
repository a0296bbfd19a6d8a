#include "hosts/live/satellite_maps.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "hosts/core/regions.h"
#include "hosts/live/imagery.h"
#include "hosts/live/json_fields.h"

namespace nubivo::live {
namespace {

constexpr const char* heldFormat = "nubivo-live-host satellite picture";
constexpr int32_t heldVersion = 1;
constexpr size_t maxPictureBytes = 4u * 1024u * 1024u;
// Capabilities of one layer are small, but a service's whole document is several megabytes.
constexpr size_t maxCapabilitiesBytes = 8u * 1024u * 1024u;
// A layer's capabilities are asked again for a newer hour at most this often.
constexpr int64_t capabilitiesInterval = 600;

std::string heldName(int32_t region, const std::string& what) {
    return "satellite/" + std::to_string(region) + "-" + what;
}

std::string satelliteKey(Satellite satellite) {
    return std::to_string(static_cast<int32_t>(satellite));
}

// Writes a picture and, after it, its description: a description is only ever next to the
// picture it describes.
void writeHeld(const DiskCache& cache, const std::string& name, const std::string& bytes,
               Json meta) {
    meta["format"] = heldFormat;
    meta["version"] = heldVersion;
    meta["size"] = bytes.size();
    meta["checksum"] = checksumText(bytes);
    if (cache.write(name + ".img", bytes))
        cache.write(name + ".json", meta.dump());
}

// A picture written by writeHeld with its description; nullopt when either is missing or
// they do not belong together.
std::optional<std::pair<std::string, Json>> readHeld(const DiskCache& cache,
                                                     const std::string& name) {
    const std::optional<std::string> metaBytes = cache.read(name + ".json", 4096);
    const std::optional<std::string> bytes = cache.read(name + ".img", maxPictureBytes);
    const std::optional<Json> meta = metaBytes ? parseJson(*metaBytes) : std::nullopt;
    if (!bytes || !meta || stringAt(*meta, "format") != heldFormat ||
        integerAt(*meta, "version") != heldVersion || numberAt(*meta, "size") != bytes->size() ||
        stringAt(*meta, "checksum") != checksumText(*bytes)) {
        return std::nullopt;
    }
    return std::make_pair(*bytes, *meta);
}

void logNoPicture(const char* what, int32_t region, const std::string& why) {
    std::fprintf(stderr, "nubivo-live-host: no %s picture for region %d: %s\n", what, region,
                 why.c_str());
}

std::string whyNot(const UpstreamAnswer& answer) {
    if (!answer.error.empty())
        return answer.error;
    return answer.status == 200 ? "not a picture (" + answer.contentType + ")"
                                : "HTTP status " + std::to_string(answer.status);
}

// What a satellite's answer is: no picture at all, a blank one (nothing where the satellite
// sees: a time the service does not hold yet), or imagery.
enum class Judgement { NotAPicture, Blank, Imagery };

Judgement judge(int32_t region, Satellite satellite, const UpstreamAnswer& answer) {
    if (!isPictureAnswer(answer))
        return Judgement::NotAPicture;
    const std::optional<RgbaPicture> picture =
        decodeRgba(answer.body, host::mapWidth, host::mapHeight);
    if (!picture)
        return Judgement::NotAPicture;
    const RegionViews& views = regionViews(region);
    const auto found = std::find(views.satellites.begin(), views.satellites.end(), satellite);
    return showsImagery(views, static_cast<size_t>(found - views.satellites.begin()), *picture)
               ? Judgement::Imagery
               : Judgement::Blank;
}

}  // namespace

SatelliteMaps::SatelliteMaps(const LiveConfig& config, host::Clock clock, UpstreamClient& upstream,
                             const DiskCache& cache)
    : config_(config),
      clock_(std::move(clock)),
      upstream_(upstream),
      cache_(cache),
      ledger_(cache) {
    loadHeld();
}

void SatelliteMaps::loadHeld() {
    for (int32_t region = 0; region < 8; ++region) {
        for (const Satellite satellite : regionViews(region).satellites) {
            const auto found = readHeld(cache_, heldName(region, satelliteKey(satellite)));
            const std::optional<double> observed =
                found ? numberAt(found->second, "observed") : std::nullopt;
            if (observed) {
                held_[region][static_cast<int32_t>(satellite)] = {
                    static_cast<int64_t>(*observed),
                    std::make_shared<const std::string>(found->first)};
            }
        }
        const auto found = readHeld(cache_, heldName(region, "composite"));
        const std::optional<std::string> day =
            found ? stringAt(found->second, "day") : std::nullopt;
        if (day) {
            composites_[region].day = *day;
            composites_[region].bytes = std::make_shared<const std::string>(found->first);
        }
    }
}

SatelliteBuild SatelliteMaps::build(int32_t region) {
    SatelliteBuild result;
    if (region < 0 || region >= 8)
        return result;
    const int64_t now = clock_();
    const RegionViews& views = regionViews(region);
    for (size_t i = 0; i < views.satellites.size(); ++i) {
        if (views.primary[i])
            fetch(region, views.satellites[i], now, &result.asked);
    }
    // A satellite nearest nowhere in the box stands in only for a primary with nothing to
    // show.
    bool primaryMissing = false;
    for (size_t i = 0; i < views.satellites.size(); ++i) {
        if (views.primary[i] && !usable(region, views.satellites[i], now))
            primaryMissing = true;
    }
    std::vector<SatellitePicture> pictures;
    std::string shown;
    for (size_t i = 0; i < views.satellites.size(); ++i) {
        const Satellite satellite = views.satellites[i];
        if (!views.primary[i]) {
            if (!primaryMissing)
                continue;
            fetch(region, satellite, now, &result.asked);
        }
        const std::optional<Held> held = usable(region, satellite, now);
        if (!held)
            continue;
        std::optional<RgbaPicture> decoded =
            decodeRgba(*held->bytes, host::mapWidth, host::mapHeight);
        if (!decoded)
            continue;
        pictures.push_back({satellite, held->observed, std::move(*decoded)});
        shown += satelliteKey(satellite) + "@" + std::to_string(held->observed) + ";";
    }
    std::vector<const SatellitePicture*> parts;
    for (const SatellitePicture& picture : pictures)
        parts.push_back(&picture);
    Mosaic mosaic = combine(views, parts);
    std::optional<host::Canvas> fill;
    std::string day;
    if (needsFill(mosaic)) {
        fill = composite(region, now, &day, &result.asked);
        if (fill)
            shown += "composite@" + day;
    }
    if (pictures.empty() && !fill)
        return result;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (shown_[region] == shown) {
            result.outcome = SatelliteBuild::Unchanged;
            return result;
        }
    }
    result.jpeg =
        finishMosaic(mosaic, host::regionBoxes[region], pictures, fill ? &*fill : nullptr, day);
    if (result.jpeg.empty())
        return result;
    result.outcome = SatelliteBuild::Painted;
    std::lock_guard<std::mutex> guard(mutex_);
    shown_[region] = shown;
    return result;
}

void SatelliteMaps::fetch(int32_t region, Satellite satellite, int64_t now, bool* asked) {
    if (satelliteInfo(satellite).service == ImageryService::Gibs)
        fetchGibs(region, satellite, now, asked);
    else
        fetchEumetsat(region, satellite, now, asked);
}

void SatelliteMaps::fetchGibs(int32_t region, Satellite satellite, int64_t now, bool* asked) {
    const GibsLatency::Ask ask = gibs_.timeToAsk(satellite, now);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (held_[region][static_cast<int32_t>(satellite)].observed >= ask.time)
            return;  // nothing newer to be had
    }
    const SatelliteInfo& info = satelliteInfo(satellite);
    // WMS 1.1.1, whose west,south,east,north order GIBS is documented and known to take.
    const GetMap request{WmsVersion::V111, info.layer, host::regionBoxes[region],
                         "image/png",      true,       isoTime(ask.time)};
    const UpstreamAnswer answer =
        upstream_.get(Service::Imagery, getMapUrl(config_.imageryUrl, request),
                      UpstreamRequest{{}, maxPictureBytes});
    *asked = *asked || answer.sent;
    const Judgement judgement = judge(region, satellite, answer);
    if (judgement == Judgement::NotAPicture)
        return logNoPicture(info.name, region, whyNot(answer));
    gibs_.heard(satellite, ask, now, judgement == Judgement::Imagery);
    if (judgement == Judgement::Blank)
        return logNoPicture(info.name, region, "blank at " + request.time + ", not held yet");
    hold(region, satellite, ask.time, answer.body);
}

void SatelliteMaps::fetchEumetsat(int32_t region, Satellite satellite, int64_t now, bool* asked) {
    const int64_t hour = eumetsatHour(now);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (held_[region][static_cast<int32_t>(satellite)].observed >= hour)
            return;
    }
    if (!ledger_.mayAsk(region, satellite, now) || !eumetsatHolds(satellite, hour, now, asked))
        return;
    const SatelliteInfo& info = satelliteInfo(satellite);
    // WMS 1.3.0, the version EUMETSAT's GeoServer documents; its box is latitude first.
    const GetMap request{WmsVersion::V130, info.layer, host::regionBoxes[region],
                         "image/png",      true,       isoTime(hour)};
    const UpstreamAnswer answer =
        upstream_.get(Service::Eumetsat, getMapUrl(config_.eumetsatUrl, request),
                      UpstreamRequest{{}, maxPictureBytes});
    *asked = *asked || answer.sent;
    if (answer.sent)
        ledger_.asked(region, satellite, now);
    // GeoServer answers a time it does not hold with the nearest one it does, and says so:
    // that picture is not the hour asked.
    const std::optional<int64_t> nearest = nearestValueUsed(answer);
    if (nearest && *nearest != hour)
        return logNoPicture(info.name, region,
                            "the service sent another time than " + request.time);
    const Judgement judgement = judge(region, satellite, answer);
    if (judgement != Judgement::Imagery) {
        return logNoPicture(
            info.name, region,
            judgement == Judgement::Blank ? "blank at " + request.time : whyNot(answer));
    }
    hold(region, satellite, hour, answer.body);
}

bool SatelliteMaps::eumetsatHolds(Satellite satellite, int64_t hour, int64_t now, bool* asked) {
    const auto index = static_cast<int32_t>(satellite);
    std::lock_guard<std::mutex> fetching(capabilitiesMutex_[index]);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        const LayerTimes& times = eumetsatTimes_[index];
        if (times.domain && times.domain->holds(hour))
            return true;
        if (times.fetchedAt != 0 && now - times.fetchedAt < capabilitiesInterval &&
            now >= times.fetchedAt) {
            return false;
        }
    }
    const char* layer = satelliteInfo(satellite).layer;
    const UpstreamAnswer answer =
        upstream_.get(Service::Eumetsat, layerCapabilitiesUrl(config_.eumetsatUrl, layer),
                      UpstreamRequest{{}, maxCapabilitiesBytes});
    *asked = *asked || answer.sent;
    const std::optional<TimeDomain> domain =
        answer.received && answer.status == 200 ? layerTimes(answer.body, layer) : std::nullopt;
    std::lock_guard<std::mutex> guard(mutex_);
    LayerTimes& times = eumetsatTimes_[index];
    times.fetchedAt = now;
    if (!domain) {
        logNoPicture(satelliteInfo(satellite).name, -1,
                     "no times in the capabilities: " + whyNot(answer));
        return false;
    }
    times.domain = domain;
    return domain->holds(hour);
}

std::optional<host::Canvas> SatelliteMaps::composite(int32_t region, int64_t now, std::string* day,
                                                     bool* asked) {
    const std::string wanted = imageryDay(now);
    std::shared_ptr<const std::string> held;
    const char* layer = nullptr;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        Composite& composite = composites_[region];
        held = composite.bytes;
        *day = composite.day;
        if (composite.day != wanted &&
            (composite.triedDay != wanted || now - composite.triedAt >= config_.mapRetryDelay)) {
            // One request a build: a layer that gave nothing is followed by the other one at
            // the next attempt.
            layer = trueColourLayers[composite.tries++ % std::size(trueColourLayers)];
            composite.triedDay = wanted;
            composite.triedAt = now;
        }
    }
    if (layer != nullptr) {
        const GetMap request{WmsVersion::V111, layer, host::regionBoxes[region],
                             "image/jpeg",     false, wanted};
        const UpstreamAnswer answer =
            upstream_.get(Service::Imagery, getMapUrl(config_.imageryUrl, request),
                          UpstreamRequest{{}, maxPictureBytes});
        *asked = *asked || answer.sent;
        if (std::optional<host::Canvas> picture = imageryPicture(answer)) {
            writeHeld(cache_, heldName(region, "composite"), answer.body, Json{{"day", wanted}});
            std::lock_guard<std::mutex> guard(mutex_);
            composites_[region].day = wanted;
            composites_[region].bytes = std::make_shared<const std::string>(answer.body);
            *day = wanted;
            return picture;
        }
        logNoPicture(
            layer, region,
            isPictureAnswer(answer) ? "almost all black, or of another size" : whyNot(answer));
    }
    host::Canvas picture(1, 1, host::Colour{});
    if (!held ||
        !host::Canvas::decode(reinterpret_cast<const uint8_t*>(held->data()), held->size(),
                              host::Colour{}, picture) ||
        picture.width() != host::mapWidth || picture.height() != host::mapHeight) {
        return std::nullopt;
    }
    return picture;
}

void SatelliteMaps::hold(int32_t region, Satellite satellite, int64_t observed, std::string bytes) {
    writeHeld(cache_, heldName(region, satelliteKey(satellite)), bytes,
              Json{{"observed", observed}});
    std::lock_guard<std::mutex> guard(mutex_);
    Held& held = held_[region][static_cast<int32_t>(satellite)];
    if (observed > held.observed)
        held = {observed, std::make_shared<const std::string>(std::move(bytes))};
}

std::optional<SatelliteMaps::Held> SatelliteMaps::usable(int32_t region, Satellite satellite,
                                                         int64_t now) {
    std::lock_guard<std::mutex> guard(mutex_);
    const Held& held = held_[region][static_cast<int32_t>(satellite)];
    if (!held.bytes || now - held.observed > heldLimit)
        return std::nullopt;
    return held;
}

}  // namespace nubivo::live
