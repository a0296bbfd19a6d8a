#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "hosts/core/calendar.h"
#include "hosts/core/place_text.h"
#include "hosts/live/disk_cache.h"
#include "hosts/live/flight_group.h"
#include "hosts/live/forecast.h"
#include "hosts/live/geocoding.h"
#include "hosts/live/live_config.h"
#include "hosts/live/upstream_client.h"

namespace nubivo::live {

// An answer of the host: an HTTP status, its body and the body's type.
struct HostAnswer {
    int status = 200;
    std::string body;
    std::string contentType;
};

// The feed of a place from the geocoding and forecast services, with both kept in memory and
// on disk: places for good (a place not found for a day), each place's weather fresh for the
// feed TTL and then served, for at most the stale limit, whenever upstream fails. Answers
// within the stale wait when any weather is held, else within the cold wait. Thread-safe.
class FeedService {
  public:
    FeedService(const LiveConfig& config, host::Clock clock, UpstreamClient& upstream,
                const DiskCache& cache, FlightGroup& flights);

    // The answer to "/forecastrss?p=`location`&u=..": the feed (200), an unknown, empty or
    // overlong place (404), or no weather to be had (503), the latter two in plain text.
    // `location` is read as host::readPlaceText reads it and searched as searchSteps says; a
    // typed position needs no search.
    // `iconBase` ("http://127.0.0.1:8642") starts the icon's URL.
    HostAnswer answer(std::string_view location, bool metric, const std::string& iconBase);

  private:
    struct PlaceEntry {
        bool found = false;
        Place place;
        int64_t time = 0;
    };
    struct WeatherEntry {
        ForecastAnswer answer;
        int64_t fetched = 0;
    };
    using Deadline = std::chrono::steady_clock::time_point;

    std::optional<PlaceEntry> cachedPlace(const std::string& key);
    std::optional<WeatherEntry> cachedWeather(const std::string& key);
    void geocode(const host::PlaceText& text);
    void fetchWeather(const Place& place);
    // Starts `work` for `key` unless it failed within `retryDelay`, and waits for it until
    // `until`.
    void runAndWait(const std::string& key, std::function<void()> work, Deadline until);
    bool recentlyFailed(const std::string& key);
    void failed(const std::string& key);

    const LiveConfig& config_;
    host::Clock clock_;
    UpstreamClient& upstream_;
    const DiskCache& cache_;
    FlightGroup& flights_;
    std::mutex mutex_;
    std::map<std::string, PlaceEntry> places_;
    std::map<std::string, WeatherEntry> weather_;
    std::map<std::string, int64_t> failedAt_;
};

}  // namespace nubivo::live
