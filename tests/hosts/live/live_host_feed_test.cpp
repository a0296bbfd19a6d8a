#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "tests/hosts/live/live_host_fixture.h"
#include "state/viewer_state.h"

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
    EXPECT_STREQ(w.conditionDate, "Mon, 07 Dec 2026 10:45 am CET");
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
                         "name=Paris&count=10&language=en&format=json&countryCode=FR"));
}

TEST_F(LiveHostTest, NightWordingAndAnUnknownVisibility) {
    test::ScriptedWeather night;
    night.time = "2026-12-07T23:15";
    night.isDay = 0;
    night.weatherCode = 0;
    night.visibility.reset();
    upstream.setWeather(night);
    start();
    const live::HostAnswer answer = feed("Oslo");
    ASSERT_EQ(answer.status, 200);
    viewerState.weather.visibility = 555;
    scan(answer.body);
    EXPECT_STREQ(viewerState.weather.conditionText, "Clear");
    EXPECT_EQ(viewerState.weather.visibility, 0) << "not a value left from before";
    EXPECT_STREQ(viewerState.conditionIconUrl, "http://127.0.0.1:8642/icons/clear-night.png");
    EXPECT_STREQ(viewerState.weather.conditionDate, "Mon, 07 Dec 2026 11:15 pm CET");
}

TEST_F(LiveHostTest, GeocodingChoosesByCountryPostalCodeAndSaysWhenThereIsNone) {
    start();
    struct Case {
        const char* location;
        int status;
        const char* city;
        const char* region;
    };
    const Case cases[] = {
        {"Paris FR", 200, "Paris", "\xC3\x8Ele-de-France"},
        {"Paris US", 200, "Paris", "Texas"},
        {"paris", 200, "Paris", "\xC3\x8Ele-de-France"},  // the largest place of the name
        {"75460", 200, "Paris", "Texas"},                 // a postal code
        {"75001 FR", 200, "Paris", "\xC3\x8Ele-de-France"},
        {"Lake Ha", 200, "Lake Ha", "Alaska"},  // "Ha" is no country here
        {"Atlantis", 404, "", ""},
        {"Paris DE", 404, "", ""},
        {"", 404, "", ""},
        {"   ", 404, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        const live::HostAnswer answer = feed(c.location);
        EXPECT_EQ(answer.status, c.status);
        if (c.status != 200) {
            EXPECT_EQ(answer.contentType, "text/plain; charset=UTF-8");
            EXPECT_EQ(answer.body, "Unknown place\n");
            continue;
        }
        resetViewerState();
        scan(answer.body);
        EXPECT_STREQ(viewerState.weather.city, c.city);
        EXPECT_STREQ(viewerState.weather.region, c.region);
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
