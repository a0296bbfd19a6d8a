#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "state/viewer_state.h"
#include "tests/hosts/live/live_host_fixture.h"

namespace nubivo {
namespace {

using test::LiveHostTest;
using test::ScriptedUpstream;
using Fault = ScriptedUpstream::Fault;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(LiveHostTest, TheFeedCarriesUpstreamsValuesInTheViewersUnits) {
    start();
    const live::HostAnswer metric = feed("Paris FR");
    ASSERT_EQ(metric.status, 200) << metric.body;
    EXPECT_EQ(metric.contentType, "application/rss+xml; charset=UTF-8");
    EXPECT_LT(metric.body.size(), 4096u);
    scan(metric.body);
    const WeatherReport& w = viewerState.weather;
    EXPECT_STREQ(w.city, "Paris");
    EXPECT_STREQ(w.region, "\xC3\x8Ele-de-France");
    EXPECT_STREQ(w.country, "FR");
    EXPECT_STREQ(w.tempUnit, "C");
    EXPECT_STREQ(w.distanceUnit, "km");
    EXPECT_STREQ(w.pressureUnit, "mb");
    EXPECT_STREQ(w.speedUnit, "kph");
    EXPECT_EQ(w.windChill, 3);  // apparent 3.2
    EXPECT_EQ(w.windDirection, 230);
    EXPECT_EQ(w.windSpeed, 15);  // 14.8 km/h
    EXPECT_EQ(w.humidity, 87);
    EXPECT_EQ(w.visibility, 1840);  // 18400 m
    EXPECT_FLOAT_EQ(w.pressure, 1012.4f);
    EXPECT_EQ(w.rising, 2);  // 1014.0 three hours before
    EXPECT_STREQ(w.sunrise, "8:33 am");
    EXPECT_STREQ(w.sunset, "4:53 pm");
    EXPECT_STREQ(w.latitude, "48.85");
    EXPECT_STREQ(w.longitude, "2.35");
    EXPECT_STREQ(w.conditionText, "Overcast");
    EXPECT_EQ(w.conditionCode, 3);
    EXPECT_EQ(w.conditionTemp, 6);
    EXPECT_STREQ(w.conditionDate, "Mon, 07 Dec 2026 10:45 am GMT+1");
    ASSERT_EQ(w.forecastCount, 7);
    EXPECT_STREQ(w.forecasts[0].day, "Mon");
    EXPECT_STREQ(w.forecasts[0].date, "7 Dec 2026");
    EXPECT_EQ(w.forecasts[0].high, 8);
    EXPECT_EQ(w.forecasts[0].low, 4);
    EXPECT_STREQ(w.forecasts[0].text, "Light Rain");
    EXPECT_EQ(w.forecasts[2].low, -3);  // -2.6
    EXPECT_STREQ(w.forecasts[6].day, "Sun");
    EXPECT_STREQ(viewerState.conditionIconUrl, "http://127.0.0.1:8642/icons/cloudy.png");

    const live::HostAnswer imperial = feed("Paris FR", false);
    ASSERT_EQ(imperial.status, 200);
    resetViewerState();
    scan(imperial.body);
    EXPECT_STREQ(w.tempUnit, "F");
    EXPECT_STREQ(w.speedUnit, "mph");
    EXPECT_EQ(w.conditionTemp, 43);  // 42.98
    EXPECT_EQ(w.windChill, 38);      // 37.76
    EXPECT_EQ(w.windSpeed, 9);       // 9.2
    EXPECT_EQ(w.visibility, 1143);   // 11.43 mi
    EXPECT_FLOAT_EQ(w.pressure, 29.90f);
    EXPECT_EQ(w.forecasts[0].high, 47);  // 46.76
    EXPECT_EQ(w.forecasts[2].low, 27);   // 27.32
    // Both units came from one forecast request; the units were converted here.
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 1);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Geocoding), 1);
    const std::string asked = upstream.targets(ScriptedUpstream::Forecast).at(0);
    EXPECT_TRUE(contains(asked, "latitude=48.8534&longitude=2.3488")) << asked;
    EXPECT_FALSE(contains(asked, "_unit=")) << asked;
    EXPECT_TRUE(contains(upstream.targets(ScriptedUpstream::Geocoding).at(0),
                         "name=Paris&count=100&language=en&format=json&countryCode=FR"));
}

TEST_F(LiveHostTest, EachValueTheServiceLacksIsLeftEmptyAndTheRestIsServed) {
    using Weather = test::ScriptedWeather;
    struct Case {
        void (*change)(Weather&);
        int status;
        const char* written;  // in the feed
    };
    const Case cases[] = {
        {[](Weather& w) { w.apparentTemperature.reset(); }, 200, "chill=\"\" direction=\"230\""},
        {[](Weather& w) { w.windDirection.reset(); }, 200, "direction=\"\" speed=\"15\""},
        {[](Weather& w) { w.humidity.reset(); }, 200, "humidity=\"\" visibility=\"1840\""},
        {[](Weather& w) { w.uncovered = {"visibility"}; }, 200, "visibility=\"\" pressure"},
        {[](Weather& w) { w.pressure.reset(); }, 200, "pressure=\"\" rising=\"\""},
        {[](Weather& w) { w.days[2].high.reset(); }, 200,
         "low=\"-3\" high=\"\" text=\"Light Snow\""},
        {[](Weather& w) { w.days[4].code.reset(); }, 200, "high=\"5\" text=\"\" code=\"\""},
        {[](Weather& w) { w.temperature.reset(); }, 503, nullptr},
        {[](Weather& w) { w.weatherCode.reset(); }, 503, nullptr},
    };
    start();
    int32_t i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written ? c.written : "503");
        Weather weather;
        c.change(weather);
        upstream.setWeather(weather);
        // A place of its own each time, so that nothing held stands in for it.
        const live::HostAnswer answer = feed("10." + std::to_string(++i) + ", 20.5");
        EXPECT_EQ(answer.status, c.status);
        if (c.status != 200) {
            EXPECT_EQ(answer.body, "Weather service unavailable, try again later\n");
            continue;
        }
        EXPECT_TRUE(contains(answer.body, c.written)) << answer.body;
        resetViewerState();
        scan(answer.body);
        EXPECT_EQ(viewerState.weather.conditionTemp, 6);
        EXPECT_EQ(viewerState.weather.forecastCount, 7);
        EXPECT_EQ(viewerState.weather.forecasts[6].high, 10);  // 9.5
        EXPECT_STREQ(viewerState.weather.sunset, "4:53 pm");
    }
    // At night, in the night's words.
    Weather night;
    night.time = "2026-12-07T23:15";
    night.isDay = 0;
    night.weatherCode = 0;
    upstream.setWeather(night);
    scan(feed("Oslo").body);
    EXPECT_STREQ(viewerState.weather.conditionText, "Clear");
    EXPECT_STREQ(viewerState.conditionIconUrl, "http://127.0.0.1:8642/icons/clear-night.png");
    EXPECT_STREQ(viewerState.weather.conditionDate, "Mon, 07 Dec 2026 11:15 pm GMT+1");
}

TEST_F(LiveHostTest, APolarNightOrDayShowsEveryValueButTheSunTimes) {
    struct Case {
        const char* location;
        const char* sunrise;
        const char* sunset;
        const char* city;
        const char* country;
    };
    const Case cases[] = {
        {"Longyearbyen NO", "00:00", "00:00", "Longyearbyen", "SJ"},
        // McMurdo Station, which the place database does not hold, by its position.
        {"-77.85, 166.67", "00:00", "24:00", "77.85\u00B0S 166.67\u00B0E", ""},
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        test::ScriptedWeather polar;
        for (auto& day : polar.days) {
            day.sunrise = c.sunrise;
            day.sunset = c.sunset;
        }
        upstream.setWeather(polar);
        const live::HostAnswer answer = feed(c.location);
        ASSERT_EQ(answer.status, 200);
        EXPECT_TRUE(contains(answer.body, "sunrise=\"\" sunset=\"\"")) << answer.body;
        resetViewerState();
        std::strcpy(viewerState.weather.sunrise, "12:00 am");
        scan(answer.body);
        const WeatherReport& w = viewerState.weather;
        EXPECT_STREQ(w.sunrise, "");
        EXPECT_STREQ(w.sunset, "");
        EXPECT_STREQ(w.city, c.city);
        EXPECT_STREQ(w.country, c.country);
        EXPECT_EQ(w.windChill, 3);
        EXPECT_EQ(w.visibility, 1840);
        EXPECT_EQ(w.rising, 2);
        EXPECT_EQ(w.conditionTemp, 6);
        EXPECT_EQ(w.forecastCount, 7);
        EXPECT_EQ(w.forecasts[6].low, 5);
    }
}

TEST_F(LiveHostTest, EveryFormOfAPlaceFindsItWithFewRequests) {
    start();
    struct Case {
        const char* location;
        const char* city;  // "" for 404
        const char* region;
        const char* country;
        int32_t requests;  // to the geocoder
    };
    const char* ileDeFrance = "\xC3\x8Ele-de-France";
    const Case cases[] = {
        {"Paris FR", "Paris", ileDeFrance, "FR", 1},
        {"Paris, FR", "Paris", ileDeFrance, "FR", 0},  // read as "Paris FR", and held
        {"Paris US", "Paris", "Texas", "US", 1},
        {"paris", "Paris", ileDeFrance, "FR", 1},  // the one the service ranks first
        {"75460", "Paris", "Texas", "US", 1},      // a postal code
        {"75001 FR", "Paris", ileDeFrance, "FR", 1},
        {"10967 DE", "Berlin", "Berlin", "DE", 2},  // DE as Delaware first
        {"Lake Ha", "Lake Ha", "Alaska", "US", 1},  // "Ha" is no country
        {"Longyearbyen NO", "Longyearbyen", "Svalbard", "SJ", 2},
        {"Springfield", "Springfield", "Missouri", "US", 1},
        {"Springfield, IL", "Springfield", "Illinois", "US", 1},
        {"Portland OR", "Portland", "Oregon", "US", 1},
        {"Portland ME", "Portland", "Maine", "US", 1},
        {"Portland, Oregon", "Portland", "Oregon", "US", 1},
        {"Portland Oregon", "Portland", "Oregon", "US", 2},
        {"London, Ontario", "London", "Ontario", "CA", 1},
        {"London", "London", "England", "GB", 1},
        {"Paris, France", "Paris", ileDeFrance, "FR", 1},
        {"Enschede, NL", "Enschede", "Overijssel", "NL", 2},  // NL as Newfoundland first
        {"Lima PE", "Lima", "Lima", "PE", 2},
        {"Sydney NSW", "Sydney", "New South Wales", "AU", 1},
        {"Clipperton", "Clipperton", "", "", 1},
        {"Atlantis", "", "", "", 1},
        {"Paris DE", "", "", "", 4},
        {"X", "", "", "", 0},
        {"", "", "", "", 0},
        {"   ", "", "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        const int32_t before = upstream.requests(ScriptedUpstream::Geocoding);
        const live::HostAnswer answer = feed(c.location);
        EXPECT_EQ(upstream.requests(ScriptedUpstream::Geocoding) - before, c.requests);
        if (*c.city == '\0') {
            EXPECT_EQ(answer.status, 404);
            EXPECT_EQ(answer.body, "Unknown place\n");
            continue;
        }
        ASSERT_EQ(answer.status, 200);
        resetViewerState();
        scan(answer.body);
        EXPECT_STREQ(viewerState.weather.city, c.city);
        EXPECT_STREQ(viewerState.weather.region, c.region);
        EXPECT_STREQ(viewerState.weather.country, c.country);
    }
    // Too long for the viewer's box: refused before anything is asked upstream.
    const int32_t asked = upstream.requests(ScriptedUpstream::Geocoding);
    EXPECT_EQ(feed(std::string(255, 'a')).status, 404);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Geocoding), asked);
}

TEST_F(LiveHostTest, PlacesAreKeptForGoodAndWeatherForItsTtl) {
    start();
    ASSERT_EQ(feed("Paris FR").status, 200);
    now += 899;
    ASSERT_EQ(feed("paris fr").status, 200);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 1) << "fresh for the TTL";
    now += 1;
    ASSERT_EQ(feed("Paris FR").status, 200);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 2);
    now += 30 * 86400;
    ASSERT_EQ(feed("Paris FR").status, 200);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Geocoding), 1) << "a place is kept for good";
    // A place not found is asked for again only after a day.
    EXPECT_EQ(feed("Atlantis").status, 404);
    EXPECT_EQ(feed("Atlantis").status, 404);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Geocoding), 2);
    now += 86400;
    EXPECT_EQ(feed("Atlantis").status, 404);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Geocoding), 3);
}

TEST_F(LiveHostTest, TheTtlIsTheOptionsOwn) {
    live::LiveConfig c = config();
    c.feedTtl = 60;
    start(c);
    ASSERT_EQ(feed("Paris FR").status, 200);
    now += 61;
    ASSERT_EQ(feed("Paris FR").status, 200);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 2);
}

TEST_F(LiveHostTest, StaleWeatherIsServedForADayWhileUpstreamFailsAndNeverInvented) {
    start();
    const live::HostAnswer good = feed("Paris FR");
    ASSERT_EQ(good.status, 200);
    upstream.setFault(ScriptedUpstream::Forecast, Fault::Broken);
    now += 3600;
    const live::HostAnswer stale = feed("Paris FR");
    EXPECT_EQ(stale.status, 200);
    EXPECT_EQ(stale.body, good.body) << "the last good weather, as it was";
    now += 86400 - 3600 + 1;
    const live::HostAnswer old = feed("Paris FR");
    EXPECT_EQ(old.status, 503);
    EXPECT_EQ(old.body, "Weather service unavailable, try again later\n");
    EXPECT_FALSE(contains(old.body, "nweather"));
    // A place never fetched has nothing to fall back on.
    EXPECT_EQ(feed("Oslo").status, 503);
}

TEST_F(LiveHostTest, EveryFaultIsAnsweredInBoundedTime) {
    const Fault faults[] = {Fault::Hang,    Fault::Drip,   Fault::Reset,
                            Fault::Garbage, Fault::Broken, Fault::Busy};
    for (const Fault fault : faults) {
        SCOPED_TRACE(static_cast<int>(fault));
        upstream.setFault(ScriptedUpstream::Forecast, Fault::None);
        start();
        ASSERT_EQ(feed("Paris FR").status, 200);
        upstream.setFault(ScriptedUpstream::Forecast, fault);
        now += 1000;
        // Held weather comes within three seconds, whatever upstream does.
        live::HostAnswer stale;
        EXPECT_LT(millisecondsOf([&] { stale = feed("Paris FR"); }), 3000);
        EXPECT_EQ(stale.status, 200);
        // With nothing held the wait is bounded too, and ends in a 503.
        live::HostAnswer cold;
        EXPECT_LT(millisecondsOf([&] { cold = feed("Oslo"); }), 3500);
        EXPECT_EQ(cold.status, 503);
        now += 3600;
    }
}

TEST_F(LiveHostTest, ParallelRequestsForOnePlaceShareOneUpstreamCall) {
    upstream.setDelay(ScriptedUpstream::Geocoding, 300);
    upstream.setDelay(ScriptedUpstream::Forecast, 300);
    start();
    std::vector<std::future<live::HostAnswer>> answers;
    for (int32_t i = 0; i < 8; ++i)
        answers.push_back(std::async(std::launch::async, [this] { return feed("Paris FR"); }));
    for (auto& answer : answers)
        EXPECT_EQ(answer.get().status, 200);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Geocoding), 1);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 1);
}

TEST_F(LiveHostTest, UpstreamRequestsAreCappedAndNameTheProgram) {
    for (int32_t i = 0; i < 10; ++i)
        upstream.addPlace({"Town" + std::to_string(i), "NO", "", 60.0 + i * 0.1, 10.0, 100, {}});
    upstream.setDelay(ScriptedUpstream::Forecast, 300);
    start();
    std::vector<std::future<live::HostAnswer>> answers;
    for (int32_t i = 0; i < 10; ++i) {
        answers.push_back(std::async(
            std::launch::async, [this, i] { return feed("Town" + std::to_string(i) + " NO"); }));
    }
    for (auto& answer : answers)
        EXPECT_EQ(answer.get().status, 200);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 10);
    EXPECT_LE(upstream.mostAtOnce(ScriptedUpstream::Forecast), 4);
    for (const test::RecordedRequest& request : upstream.server.requests())
        EXPECT_EQ(request.userAgent, "nubivo-live-host/1.0.0");
}

TEST_F(LiveHostTest, RetryAfterIsHonoured) {
    start();
    upstream.setFault(ScriptedUpstream::Forecast, Fault::TooMany, 120);
    EXPECT_EQ(feed("Paris FR").status, 503);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 1);
    upstream.setFault(ScriptedUpstream::Forecast, Fault::None);
    now += 60;
    EXPECT_EQ(feed("Oslo").status, 503) << "no request before the Retry-After has passed";
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 1);
    now += 60;
    EXPECT_EQ(feed("Oslo").status, 200);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 2);

    // A 503 without one: a backoff of a minute.
    upstream.setFault(ScriptedUpstream::Geocoding, Fault::Busy);
    EXPECT_EQ(feed("Berlin DE").status, 503);
    upstream.setFault(ScriptedUpstream::Geocoding, Fault::None);
    const int32_t asked = upstream.requests(ScriptedUpstream::Geocoding);
    now += 59;
    EXPECT_EQ(feed("Parisot FR").status, 503);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Geocoding), asked);
    now += 1;
    EXPECT_EQ(feed("Parisot FR").status, 200);
}

TEST_F(LiveHostTest, AForecastLimitHoldsEveryForecastRequestUntilItIsReset) {
    struct Case {
        Fault refusal;
        int64_t reset;  // when the service counts afresh
    };
    const int64_t later = test::mondayMorning + 900;  // 10:35:00, when Paris's weather is due
    const Case cases[] = {
        {Fault::MinutelyLimit, later + 60},
        {Fault::HourlyLimit, test::mondayMorning + 40 * 60},             // 11:00 UTC
        {Fault::DailyLimit, test::mondayMorning + 13 * 3600 + 40 * 60},  // 00:00 UTC
        {Fault::Concurrent, later + 5},
    };
    int32_t folder = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.refusal));
        upstream.setFault(ScriptedUpstream::Forecast, Fault::None);
        now = test::mondayMorning;
        live::LiveConfig fresh = config();
        fresh.cacheFolder += "/" + std::to_string(++folder);
        start(fresh);
        const live::HostAnswer held = feed("Paris FR");
        ASSERT_EQ(held.status, 200);
        upstream.setFault(ScriptedUpstream::Forecast, c.refusal);
        now = later;
        EXPECT_EQ(feed("Paris FR").body, held.body) << "the weather held, while refused";
        upstream.setFault(ScriptedUpstream::Forecast, Fault::None);
        const int32_t asked = upstream.requests(ScriptedUpstream::Forecast);
        // Until the reset no forecast request goes out, for feeds or for map grids.
        now = c.reset - 1;
        EXPECT_EQ(feed("Paris FR").body, held.body);
        EXPECT_EQ(feed("Oslo").status, 503);
        EXPECT_FALSE(host->map(0, 1).bytes);  // Europe's highs, from a forecast grid
        EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), asked);
        now = c.reset;
        EXPECT_EQ(feed("Oslo").status, 200);
        EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), asked + 1);
    }
}

TEST_F(LiveHostTest, PlacesReadFromDiskCountTowardsTheMemoryCap) {
    live::LiveConfig small = config();
    small.heldEntries = 2;
    start(small);
    for (const char* place : {"Paris FR", "Oslo", "Lima PE"})
        ASSERT_EQ(feed(place).status, 200);
    // A new host finds all three on disk; the third read leaves room for no other.
    start(small);
    for (const char* place : {"Paris FR", "Oslo", "Lima PE"})
        ASSERT_EQ(feed(place).status, 200);
    const int32_t asked = upstream.requests(ScriptedUpstream::Geocoding);
    std::filesystem::remove_all(cacheFolder.path() / "places");
    EXPECT_EQ(feed("Lima PE").status, 200);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Geocoding), asked) << "held in memory";
    EXPECT_EQ(feed("Paris FR").status, 200);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Geocoding), asked + 1) << "let go of";
}

TEST_F(LiveHostTest, TheCacheIsPrivateWhateverTheUmask) {
    const mode_t umaskBefore = ::umask(0);
    live::LiveConfig c = config();
    c.cacheFolder = (cacheFolder.path() / "new" / "cache").string();
    start(c);
    EXPECT_EQ(feed("Paris FR").status, 200);
    ::umask(umaskBefore);
    int32_t files = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(cacheFolder.path() / "new")) {
        SCOPED_TRACE(entry.path().string());
        const auto permissions = entry.status().permissions();
        EXPECT_EQ(permissions, entry.is_directory() ? std::filesystem::perms::owner_all
                                                    : std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::owner_write);
        files += entry.is_regular_file();
    }
    EXPECT_GE(files, 2);
    EXPECT_EQ(std::filesystem::status(cacheFolder.path() / "new").permissions(),
              std::filesystem::perms::owner_all);
}

TEST_F(LiveHostTest, ARestartWithUpstreamGoneServesTheCacheAsBefore) {
    start();
    const live::HostAnswer before = feed("Paris FR");
    ASSERT_EQ(before.status, 200);
    // Another host on the same folder, with every service out of reach.
    live::LiveConfig gone = config();
    gone.forecastUrl = gone.geocodingUrl = gone.imageryUrl =
        "http://127.0.0.1:" + std::to_string(test::closedPort()) + "/x";
    start(gone);
    now += 1800;
    const live::HostAnswer after = feed("Paris FR");
    EXPECT_EQ(after.status, 200);
    EXPECT_EQ(after.body, before.body);
    EXPECT_EQ(feed("paris  fr").body, before.body);
}

TEST_F(LiveHostTest, DamagedOrForeignCacheFilesAreIgnored) {
    start();
    ASSERT_EQ(feed("Paris FR").status, 200);
    host.reset();
    // Every file of the cache spoilt in a different way.
    int32_t spoilt = 0;
    const std::string damage[] = {"", "{\"format\":\"nubivo-live-host weather\"",
                                  "\x00\xFF garbage",
                                  "{\"format\":\"nubivo-live-host place\",\"version\":1,"
                                  "\"query\":\"other|XX\",\"found\":true,\"time\":1}",
                                  "[1,2,3]"};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(cacheFolder.path())) {
        if (!entry.is_regular_file())
            continue;
        std::ofstream(entry.path(), std::ios::binary | std::ios::trunc)
            << damage[spoilt++ % std::size(damage)];
    }
    EXPECT_GE(spoilt, 2);
    start();
    const live::HostAnswer answer = feed("Paris FR");
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Geocoding), 2) << "asked again";
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 2);
    // A folder that is a file, or cannot be written: the host serves from memory.
    live::LiveConfig c = config();
    c.cacheFolder = (cacheFolder.path() / "places").string() + "/nothing/at/all";
    std::ofstream((cacheFolder.path() / "places" / "nothing").string()) << "a file";
    start(c);
    EXPECT_EQ(feed("Oslo").status, 200);
}

}  // namespace
}  // namespace nubivo
