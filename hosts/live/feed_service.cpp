#include "hosts/live/feed_service.h"

#include <cstdio>

#include "hosts/core/feed_document.h"
#include "hosts/core/icons.h"
#include "hosts/live/live_feed.h"
#include "hosts/live/weather_codes.h"

namespace nubivo::live {
namespace {

constexpr const char* placeFormat = "nubivo-live-host place";
constexpr const char* weatherFormat = "nubivo-live-host weather";
constexpr int32_t formatVersion = 1;
constexpr size_t maxCacheFile = 1024 * 1024;
// Entries held in memory; beyond, memory starts afresh and the disk still has them.
constexpr size_t maxEntries = 5000;

constexpr const char* unknownPlaceText = "Unknown place";
constexpr const char* unavailableText = "Weather service unavailable, try again later";

std::string placeFile(const std::string& key) {
    return "places/" + DiskCache::fileKey(key) + ".json";
}

std::string weatherFile(const std::string& key) {
    return "weather/" + DiskCache::fileKey(key) + ".json";
}

HostAnswer plainAnswer(int status, const char* text) {
    return HostAnswer{status, std::string(text) + "\n", "text/plain; charset=UTF-8"};
}

// A cache file's JSON when it is one of ours for `key`, of this version.
std::optional<Json> ourFile(const std::optional<std::string>& bytes, const char* format,
                            const char* keyName, const std::string& key) {
    if (!bytes)
        return std::nullopt;
    std::optional<Json> json = parseJson(*bytes);
    if (!json || stringAt(*json, "format") != format ||
        integerAt(*json, "version") != formatVersion || stringAt(*json, keyName) != key) {
        return std::nullopt;
    }
    return json;
}

}  // namespace

FeedService::FeedService(const LiveConfig& config, host::Clock clock, UpstreamClient& upstream,
                         const DiskCache& cache, FlightGroup& flights)
    : config_(config),
      clock_(std::move(clock)),
      upstream_(upstream),
      cache_(cache),
      flights_(flights) {}

HostAnswer FeedService::answer(std::string_view location, bool metric,
                               const std::string& iconBase) {
    const Deadline deadline = std::chrono::steady_clock::now() + config_.coldWait;
    const std::optional<LocationQuery> query = parseLocationQuery(location);
    if (!query)
        return plainAnswer(404, unknownPlaceText);

    // Where the place is.
    const std::string placeKey = query->key();
    std::optional<PlaceEntry> place = cachedPlace(placeKey);
    const bool notFoundExpired =
        place && !place->found && clock_() - place->time >= config_.notFoundTtl;
    if (!place || notFoundExpired) {
        const std::string text(location);
        runAndWait(
            "place:" + placeKey, [this, q = *query, text] { geocode(q, text); }, deadline);
        place = cachedPlace(placeKey);
    }
    if (!place)
        return plainAnswer(503, unavailableText);
    if (!place->found)
        return plainAnswer(404, unknownPlaceText);

    // Its weather: fresh, or refreshed, or the last good one while upstream fails.
    const std::string weatherKey = place->place.key();
    std::optional<WeatherEntry> weather = cachedWeather(weatherKey);
    const int64_t now = clock_();
    const bool usable = weather && now - weather->fetched <= config_.staleLimit;
    if (!weather || now - weather->fetched >= config_.feedTtl) {
        const Deadline until =
            usable ? std::min(deadline, std::chrono::steady_clock::now() + config_.staleWait)
                   : deadline;
        runAndWait(
            "weather:" + weatherKey, [this, p = place->place] { fetchWeather(p); }, until);
        weather = cachedWeather(weatherKey);
    }
    if (!weather || clock_() - weather->fetched > config_.staleLimit)
        return plainAnswer(503, unavailableText);

    const ForecastAnswer& forecast = weather->answer;
    host::FeedChannel channel;
    channel.link = iconBase;
    channel.description = "Weather data by Open-Meteo.com, location data based on GeoNames";
    channel.ttlMinutes = static_cast<int32_t>(std::max<int64_t>(1, config_.feedTtl / 60));
    channel.iconUrl = iconBase + "/icons/" +
                      host::iconName(weatherIcon(forecast.weatherCode, forecast.isDay)) + ".png";
    return HostAnswer{200, host::writeFeed(liveFeedValues(place->place, forecast, metric), channel),
                      "application/rss+xml; charset=UTF-8"};
}

std::optional<FeedService::PlaceEntry> FeedService::cachedPlace(const std::string& key) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (const auto found = places_.find(key); found != places_.end())
            return found->second;
    }
    const std::optional<Json> json =
        ourFile(cache_.read(placeFile(key), maxCacheFile), placeFormat, "query", key);
    if (!json)
        return std::nullopt;
    PlaceEntry entry;
    const std::optional<int64_t> time = numberAt(*json, "time");
    const Json* found = json->contains("found") ? &(*json)["found"] : nullptr;
    if (!time || found == nullptr || !found->is_boolean())
        return std::nullopt;
    entry.time = *time;
    entry.found = found->get<bool>();
    if (entry.found) {
        const Json* placeJson = objectAt(*json, "place");
        const std::optional<Place> place = placeJson ? placeFromJson(*placeJson) : std::nullopt;
        if (!place)
            return std::nullopt;
        entry.place = *place;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    places_[key] = entry;
    return entry;
}

std::optional<FeedService::WeatherEntry> FeedService::cachedWeather(const std::string& key) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (const auto found = weather_.find(key); found != weather_.end())
            return found->second;
    }
    const std::optional<Json> json =
        ourFile(cache_.read(weatherFile(key), maxCacheFile), weatherFormat, "key", key);
    if (!json)
        return std::nullopt;
    WeatherEntry entry;
    const std::optional<double> fetched = numberAt(*json, "fetched");
    const std::optional<std::string> body = stringAt(*json, "answer");
    if (!fetched || !body || !parseForecastAnswer(*body, &entry.answer))
        return std::nullopt;
    entry.fetched = static_cast<int64_t>(*fetched);
    std::lock_guard<std::mutex> guard(mutex_);
    if (weather_.size() >= maxEntries)
        weather_.clear();
    weather_[key] = entry;
    return entry;
}

void FeedService::geocode(const LocationQuery& query, std::string_view location) {
    const std::string key = query.key();
    PlaceEntry entry;
    entry.time = clock_();
    std::optional<LocationQuery> attempt = query;
    bool answered = false;
    bool sent = false;
    while (attempt) {
        const UpstreamAnswer reply =
            upstream_.get(Service::Geocoding, geocodingUrl(config_.geocodingUrl, *attempt));
        sent = sent || reply.sent;
        const GeocodingResult result =
            reply.received && reply.status == 200
                ? parseGeocodingAnswer(reply.body, *attempt, &entry.place)
                : GeocodingResult::Invalid;
        if (result == GeocodingResult::Invalid) {
            std::fprintf(stderr, "nubivo-live-host: geocoding failed: %s\n",
                         reply.error.empty() ? "an answer of another shape" : reply.error.c_str());
            answered = false;
            break;
        }
        answered = true;
        entry.found = result == GeocodingResult::Found;
        // A trailing two-letter word may be part of the name ("Lake Ha"): one more try whole.
        attempt =
            entry.found || attempt->countryCode.empty() ? std::nullopt : unsplitQuery(location);
    }
    if (!answered) {
        if (sent)
            failed("place:" + key);
        return;
    }
    Json file = {{"format", placeFormat},
                 {"version", formatVersion},
                 {"query", key},
                 {"found", entry.found},
                 {"time", entry.time}};
    if (entry.found)
        file["place"] = placeToJson(entry.place);
    cache_.write(placeFile(key), file.dump());
    std::lock_guard<std::mutex> guard(mutex_);
    if (places_.size() >= maxEntries)
        places_.clear();
    places_[key] = entry;
}

void FeedService::fetchWeather(const Place& place) {
    const std::string key = place.key();
    const UpstreamAnswer reply = upstream_.get(
        Service::Forecast, forecastUrl(config_.forecastUrl, place.latitude, place.longitude));
    WeatherEntry entry;
    if (!reply.received || reply.status != 200 || !parseForecastAnswer(reply.body, &entry.answer)) {
        std::fprintf(stderr, "nubivo-live-host: forecast for %s failed: %s\n", place.name.c_str(),
                     reply.error.empty() ? "an answer of another shape" : reply.error.c_str());
        // A request that never went out (a gate closed) holds nothing back.
        if (reply.sent)
            failed("weather:" + key);
        return;
    }
    entry.fetched = clock_();
    const Json file = {{"format", weatherFormat},
                       {"version", formatVersion},
                       {"key", key},
                       {"fetched", entry.fetched},
                       {"answer", reply.body}};
    cache_.write(weatherFile(key), file.dump());
    std::lock_guard<std::mutex> guard(mutex_);
    if (weather_.size() >= maxEntries)
        weather_.clear();
    weather_[key] = std::move(entry);
}

void FeedService::runAndWait(const std::string& key, std::function<void()> work, Deadline until) {
    if (recentlyFailed(key))
        return;
    const std::shared_ptr<Flight> flight = flights_.run(key, std::move(work));
    const auto left = until - std::chrono::steady_clock::now();
    flight->waitFor(std::max(std::chrono::duration_cast<std::chrono::milliseconds>(left),
                             std::chrono::milliseconds(0)));
}

bool FeedService::recentlyFailed(const std::string& key) {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto found = failedAt_.find(key);
    return found != failedAt_.end() && clock_() - found->second < config_.feedRetryDelay;
}

void FeedService::failed(const std::string& key) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (failedAt_.size() >= maxEntries)
        failedAt_.clear();
    failedAt_[key] = clock_();
}

}  // namespace nubivo::live
