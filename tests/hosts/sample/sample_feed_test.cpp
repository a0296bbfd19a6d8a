#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "feed/scan_feed.h"
#include "hosts/core/feed_document.h"
#include "hosts/sample/sample_feed.h"
#include "hosts/sample/sample_weather.h"
#include "images/condition_icon.h"
#include "locations/location_files.h"
#include "locations/location_lists.h"
#include "state/viewer_state.h"
#include "support/feed_scan_fixture.h"

namespace nubivo {
namespace {

using host::FeedValues;
using sample::feedDocument;
using sample::sampleWeather;

// 2026-12-07 10:20:00 UTC, a Monday.
constexpr int64_t mondayMorning = 1796638800;
constexpr const char* iconBase = "http://127.0.0.1:8642";

class SampleFeedTest : public test::FeedScanTest {};

TEST_F(SampleFeedTest, TheViewersScannerReadsEveryValueInBothUnits) {
    const char* const locations[] = {"Paris FR", "10001",    "Springfield",
                                     "",         "Tokyo JP", "Z\xC3\xBCrich CH"};
    for (const char* location : locations) {
        for (bool metric : {true, false}) {
            SCOPED_TRACE(std::string(location) + (metric ? " c" : " f"));
            resetViewerState();
            const FeedValues expected = sampleWeather(location, metric, mondayMorning);
            const std::string doc = feedDocument(location, metric, mondayMorning, iconBase);
            scan(doc);

            const WeatherReport& w = viewerState.weather;
            EXPECT_EQ(w.city, expected.city);
            EXPECT_EQ(w.region, expected.region);
            EXPECT_EQ(w.country, expected.country);
            EXPECT_STREQ(w.tempUnit, metric ? "C" : "F");
            EXPECT_STREQ(w.distanceUnit, metric ? "km" : "mi");
            EXPECT_STREQ(w.pressureUnit, metric ? "mb" : "in");
            EXPECT_STREQ(w.speedUnit, metric ? "kph" : "mph");
            EXPECT_EQ(w.windChill, expected.windChill);
            EXPECT_EQ(w.windDirection, expected.windDirection);
            EXPECT_EQ(w.windSpeed, expected.windSpeed);
            EXPECT_EQ(w.humidity, expected.humidity);
            EXPECT_EQ(w.visibility, expected.visibility);
            EXPECT_NEAR(w.pressure, expected.pressure.value(), 0.001);
            EXPECT_EQ(w.rising, expected.rising);
            EXPECT_EQ(w.sunrise, expected.sunrise);
            EXPECT_EQ(w.sunset, expected.sunset);
            EXPECT_EQ(w.latitude, expected.latitude);
            EXPECT_EQ(w.longitude, expected.longitude);
            EXPECT_EQ(w.conditionText, expected.conditionText);
            EXPECT_EQ(w.conditionCode, expected.conditionCode);
            EXPECT_EQ(w.conditionTemp, expected.conditionTemp);
            EXPECT_EQ(w.conditionDate, expected.conditionDate);
            const std::string icon = "/icons/" + std::to_string(expected.conditionCode) + ".png";
            EXPECT_EQ(std::string(viewerState.conditionIconUrl), iconBase + icon);
            ASSERT_EQ(w.forecastCount, sample::forecastDays);
            for (int32_t i = 0; i < sample::forecastDays; ++i) {
                SCOPED_TRACE(i);
                const host::ForecastEntry& f = expected.forecasts[i];
                EXPECT_EQ(w.forecasts[i].day, f.day);
                EXPECT_EQ(w.forecasts[i].date, f.date);
                EXPECT_EQ(w.forecasts[i].low, f.low);
                EXPECT_EQ(w.forecasts[i].high, f.high);
                EXPECT_LE(f.low, f.high);
                EXPECT_EQ(w.forecasts[i].text, f.text);
                EXPECT_EQ(w.forecasts[i].code, f.code);
            }
            EXPECT_LT(doc.size(), 4096u);
        }
    }
}

TEST_F(SampleFeedTest, KnownPlacesAreNamedAndPlacedInTheirCountry) {
    const FeedValues zip = sampleWeather("10001", true, mondayMorning);
    EXPECT_EQ(zip.city, "New York");
    EXPECT_EQ(zip.region, "NY");
    EXPECT_EQ(zip.country, "US");
    const FeedValues paris = sampleWeather(" paris fr ", true, mondayMorning);
    EXPECT_EQ(paris.city, "paris");
    EXPECT_EQ(paris.country, "FR");
    const double lat = std::stod(paris.latitude);
    const double lon = std::stod(paris.longitude);
    EXPECT_TRUE(lat > 42 && lat < 51 && lon > -2 && lon < 8) << lat << " " << lon;
    // Letter case and outer spaces name the same place, so it has the same weather.
    EXPECT_EQ(sampleWeather("Paris FR", true, mondayMorning).conditionDate, paris.conditionDate);
    EXPECT_EQ(sampleWeather("Paris FR", true, mondayMorning).humidity, paris.humidity);
    // The hosts read a place alike: "Paris, FR" is Paris in France, as "Paris FR" is.
    const FeedValues comma = sampleWeather("Paris, FR", true, mondayMorning);
    EXPECT_EQ(comma.city, "Paris");
    EXPECT_EQ(comma.country, "FR");
    EXPECT_EQ(comma.latitude, paris.latitude);
}

TEST_F(SampleFeedTest, EveryBundledCityIsAnsweredUnderItsOwnName) {
    const std::string folder = NUBIVO_SOURCE_DIR "/Countries/";
    const std::vector<std::string> countries = countryNames(folder.c_str());
    ASSERT_FALSE(countries.empty());
    for (const std::string& country : countries) {
        const std::string path = folder + country + ".nwv";
        for (const std::string& entry : cityEntries(path.c_str())) {
            SCOPED_TRACE(entry);
            char code[256];
            ASSERT_TRUE(locationCode(entry.c_str(), code, sizeof code));
            resetViewerState();
            scan(feedDocument(code, true, mondayMorning, iconBase));
            EXPECT_EQ(std::string(viewerState.weather.city), entry.substr(0, entry.find(',')));
            EXPECT_EQ(std::strlen(viewerState.weather.country), 2u);
            EXPECT_EQ(viewerState.weather.forecastCount, sample::forecastDays);
        }
    }
}

TEST_F(SampleFeedTest, ImperialValuesAreTheMetricOnesConverted) {
    for (const char* location : {"Paris FR", "10001", "Sydney AU", "Oslo"}) {
        for (int64_t day = 0; day < 6; ++day) {
            const int64_t now = mondayMorning + day * 86400;
            SCOPED_TRACE(std::string(location) + " day " + std::to_string(day));
            const FeedValues c = sampleWeather(location, true, now);
            const FeedValues f = sampleWeather(location, false, now);
            auto toF = [](int32_t celsius) { return celsius * 9.0 / 5.0 + 32.0; };
            // Both sides are rounded to whole units: half a degree C is 0.9 F, and the F
            // value's own rounding adds half a degree more.
            EXPECT_NEAR(f.conditionTemp, toF(c.conditionTemp), 1.4);
            EXPECT_NEAR(f.windChill.value(), toF(c.windChill.value()), 1.4);
            EXPECT_NEAR(f.windSpeed.value(), c.windSpeed.value() * 0.621371, 0.82);
            EXPECT_NEAR(f.visibility.value(), c.visibility.value() * 0.621371, 0.82);
            EXPECT_NEAR(f.pressure.value(), c.pressure.value() * 0.02953, 0.01);
            EXPECT_EQ(f.humidity, c.humidity);
            EXPECT_EQ(f.conditionCode, c.conditionCode);
            EXPECT_EQ(f.sunrise, c.sunrise);
            for (int32_t i = 0; i < sample::forecastDays; ++i) {
                EXPECT_NEAR(f.forecasts[i].high.value(), toF(c.forecasts[i].high.value()), 1.4);
                EXPECT_NEAR(f.forecasts[i].low.value(), toF(c.forecasts[i].low.value()), 1.4);
            }
            EXPECT_LE(c.windChill.value(), c.conditionTemp);
        }
    }
}

TEST_F(SampleFeedTest, TheSameDayGivesTheSameWeatherAndTheNextDayMovesOn) {
    const FeedValues morning = sampleWeather("Paris FR", true, mondayMorning);
    const FeedValues evening = sampleWeather("Paris FR", true, mondayMorning + 10 * 3600);
    EXPECT_EQ(morning.windSpeed, evening.windSpeed);
    EXPECT_EQ(morning.humidity, evening.humidity);
    EXPECT_EQ(morning.visibility, evening.visibility);
    for (int32_t i = 0; i < sample::forecastDays; ++i) {
        EXPECT_EQ(morning.forecasts[i].high, evening.forecasts[i].high);
        EXPECT_EQ(morning.forecasts[i].code, evening.forecasts[i].code);
    }
    // Tomorrow's feed starts with what today's feed forecast for tomorrow.
    const FeedValues tomorrow = sampleWeather("Paris FR", true, mondayMorning + 86400);
    EXPECT_EQ(tomorrow.forecasts[0].date, morning.forecasts[1].date);
    EXPECT_EQ(tomorrow.forecasts[0].high, morning.forecasts[1].high);
    EXPECT_EQ(tomorrow.forecasts[0].low, morning.forecasts[1].low);
    EXPECT_EQ(tomorrow.forecasts[0].code, morning.forecasts[1].code);
    EXPECT_EQ(tomorrow.forecasts[0].day, "Tue");

    // Over a fortnight the day values do not stand still.
    int32_t changes = 0;
    for (int64_t day = 1; day < 14; ++day) {
        const FeedValues a = sampleWeather("Paris FR", true, mondayMorning + (day - 1) * 86400);
        const FeedValues b = sampleWeather("Paris FR", true, mondayMorning + day * 86400);
        changes += a.humidity != b.humidity || a.windSpeed != b.windSpeed;
    }
    EXPECT_GE(changes, 10);
}

TEST_F(SampleFeedTest, EchoedLocationsAreEscapedAndNeverEndAValue) {
    struct Case {
        const char* location;
        const char* city;  // as the viewer stores it
    };
    const Case cases[] = {
        {"A&B", "A&amp;B"},
        {"<b>Bold</b>", "&lt;b&gt;Bold&lt;&#47;b&gt;"},
        {"Say \"hi\"", "Say &quot;hi&quot;"},
        {"a/b", "a&#47;b"},
        {"tab\there", "tab here"},
        {"bad \xFF byte", "bad ? byte"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        resetViewerState();
        scan(feedDocument(c.location, true, mondayMorning, iconBase));
        EXPECT_STREQ(viewerState.weather.city, c.city);
        // Everything after the location still arrives.
        EXPECT_EQ(viewerState.weather.forecastCount, sample::forecastDays);
        EXPECT_STRNE(viewerState.weather.speedUnit, "");
    }
}

TEST_F(SampleFeedTest, TheLongestWorstLocationStaysUnderTheViewersBodyLimit) {
    const std::string worst(300, '"');
    const std::string base = "http://" + std::string(80, 'h') + ":65535";
    for (bool metric : {true, false}) {
        const std::string doc = feedDocument(worst, metric, mondayMorning, base);
        EXPECT_LT(doc.size(), 4096u);
        resetViewerState();
        scan(doc);
        EXPECT_EQ(viewerState.weather.forecastCount, sample::forecastDays);
        // As much of the escaped name as the viewer keeps, cut between two entities.
        EXPECT_EQ(std::strlen(viewerState.weather.city), 252u);
    }
    // A cut never splits a UTF-8 character.
    std::string wide;
    while (wide.size() < 100)
        wide += "\xC3\xA9";
    const FeedValues w = sampleWeather("x" + wide, true, mondayMorning);
    EXPECT_EQ(w.city.size(), sample::maxEchoedLocationBytes - 1);
    EXPECT_EQ(host::escapeXml(w.city), w.city);
}

}  // namespace
}  // namespace nubivo
