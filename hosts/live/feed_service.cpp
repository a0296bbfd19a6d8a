#include "hosts/live/feed_service.h"

#include <cstdio>

#include "hosts/core/feed_document.h"
#include "hosts/core/icons.h"
#include "hosts/live/live_feed.h"
#include "hosts/live/place_search.h"
#include "hosts/live/weather_codes.h"

namespace nubivo::live {
namespace {

constexpr const char* placeFormat = "nubivo-live-host place";
constexpr const char* weatherFormat = "nubivo-live-host weather";
// Places of version 1 were found by an older reading of the typed text.
constexpr int32_t placeVersion = 2;
constexpr int32_t weatherVersion = 1;
constexpr size_t maxCacheFile = 1024 * 1024;

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

// A cache file's JSON when it is one of ours for `key`, of `version`.
std::optional<Json> ourFile(const std::optional<std::string>& bytes, const char* format,
                            int32_t version, const char* keyName, const std::string& key) {
    if (!bytes)
        return std::nullopt;
    std::optional<Json> json = parseJson(*bytes);
    if (!json || stringAt(*json, "format") != format || integerAt(*json, "version") != version ||
        stringAt(*json, keyName) != key) {
        return std::nullopt;
    }
    return json;
}

// Keeps `value` as `key` in `entries`, which hold at most `cap`: a full map starts afresh.
template <typename Value>
void remember(std::map<std::string, Value>& entries, size_t cap, const std::string& key,
              Value value) {
    if (entries.size() >= cap && entries.find(key) == entries.end())
        entries.clear();
    entries[key] = std::move(value);
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
    const std::optional<host::PlaceText> text = host::readPlaceText(location);
    if (!text)
        return plainAnswer(404, unknownPlaceText);

    // Where the place is: a typed position, or what the geocoder found for the text.
    std::optional<PlaceEntry> place;
    if (text->position) {
        place = PlaceEntry{true, placeAt(*text->position), clock_()};
    } else {
        const std::string placeKey = text->key();
        place = cachedPlace(placeKey);
        const bool notFoundExpired =
            place && !place->found && clock_() - place->time >= config_.notFoundTtl;
        if (!place || notFoundExpired) {
            runAndWait(
                "place:" + placeKey, [this, t = *text] { geocode(t); }, deadline);
            place = cachedPlace(placeKey);
        }
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
        ourFile(cache_.read(placeFile(key), maxCacheFile), placeFormat, placeVersion, "query", key);
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
    remember(places_, config_.heldEntries, key, entry);
    return entry;
}

std::optional<FeedService::WeatherEntry> FeedService::cachedWeather(const std::string& key) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (const auto found = weather_.find(key); found != weather_.end())
            return found->second;
    }
    const std::optional<Json> json = ourFile(cache_.read(weatherFile(key), maxCacheFile),
                                             weatherFormat, weatherVersion, "key", key);
    if (!json)
        return std::nullopt;
    WeatherEntry entry;
    const std::optional<double> fetched = numberAt(*json, "fetched");
    const std::optional<std::string> body = stringAt(*json, "answer");
    if (!fetched || !body || !parseForecastAnswer(*body, &entry.answer))
        return std::nullopt;
    entry.fetched = static_cast<int64_t>(*fetched);
    std::lock_guard<std::mutex> guard(mutex_);
    remember(weather_, config_.heldEntries, key, entry);
    return entry;
}

void FeedService::geocode(const host::PlaceText& text) {
    const std::string key = text.key();
    PlaceEntry entry;
    entry.time = clock_();
    // Each request's answer, by its URL: a later step may look at an earlier answer again.
    std::map<std::string, std::vector<FoundPlace>> answers;
    bool sent = false;
    for (const SearchStep& step : searchSteps(text)) {
        const std::string url = geocodingUrl(config_.geocodingUrl, step.query);
        auto answer = answers.find(url);
        if (answer == answers.end()) {
            const UpstreamAnswer reply = upstream_.get(Service::Geocoding, url);
            sent = sent || reply.sent;
            std::optional<std::vector<FoundPlace>> found = reply.received && reply.status == 200
                                                               ? parseGeocodingAnswer(reply.body)
                                                               : std::nullopt;
            if (!found) {
                std::fprintf(
                    stderr, "nubivo-live-host: geocoding failed: %s\n",
                    reply.error.empty() ? "an answer of another shape" : reply.error.c_str());
                // Nothing is kept: a later step might have found the place.
                if (sent)
                    failed("place:" + key);
                return;
            }
            answer = answers.emplace(url, std::move(*found)).first;
        }
        if (const FoundPlace* taken = takenBy(step, answer->second)) {
            entry.found = true;
            entry.place = taken->place;
            break;
        }
    }
    Json file = {{"format", placeFormat},
                 {"version", placeVersion},
                 {"query", key},
                 {"found", entry.found},
                 {"time", entry.time}};
    if (entry.found)
        file["place"] = placeToJson(entry.place);
    cache_.write(placeFile(key), file.dump());
    std::lock_guard<std::mutex> guard(mutex_);
    remember(places_, config_.heldEntries, key, entry);
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
                       {"version", weatherVersion},
                       {"key", key},
                       {"fetched", entry.fetched},
                       {"answer", reply.body}};
    cache_.write(weatherFile(key), file.dump());
    std::lock_guard<std::mutex> guard(mutex_);
    remember(weather_, config_.heldEntries, key, std::move(entry));
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
    const int64_t now = clock_();
    std::lock_guard<std::mutex> guard(mutex_);
    remember(failedAt_, config_.heldEntries, key, now);
}

}  // namespace nubivo::live
