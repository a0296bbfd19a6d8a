#include "hosts/live/live_feed.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hosts/core/feed_document.h"
#include "hosts/live/weather_codes.h"
#include "support/feed_scan_fixture.h"

namespace nubivo {
namespace {

using live::ForecastAnswer;
using live::Place;

Place paris() {
    return Place{"Paris", "\xC3\x8Ele-de-France", "FR", 48.85341, 2.3488};
}

ForecastAnswer answerWith(double temperature, double speed, double visibility, double pressure) {
    ForecastAnswer a;
    a.timezoneAbbreviation = "CET";
    a.time = *live::parseLocalTime("2026-12-07T22:05");
    a.temperature = temperature;
    a.apparentTemperature = temperature - 3.3;
    a.humidity = 86.5;
    a.weatherCode = 0;
    a.isDay = false;
    a.pressure = pressure;
    a.windSpeed = speed;
    a.windDirection = 359.6;
    a.visibility = visibility;
    a.pressureHistory = {{*live::parseLocalTime("2026-12-07T19:00"), pressure}};
    for (int32_t i = 0; i < 7; ++i) {
        live::ForecastDay day;
        day.date = live::LocalTime{a.time.days + i, 0};
        day.weatherCode = i == 0 ? 61 : 3;
        day.high = 8.5 + i;
        day.low = -0.5 - i;
        day.sunrise = *live::parseLocalTime("2026-12-07T08:33");
        day.sunset = *live::parseLocalTime("2026-12-07T16:53");
        a.days.push_back(day);
    }
    return a;
}

TEST(LiveFeedTest, EveryNumberIsUpstreamsConvertedAndRounded) {
    struct Case {
        double temperature, speed, visibility, pressure;
        bool metric;
        int32_t temp, chill, windSpeed, visibilityHundredths;
        double pressureText;
    };
    const Case cases[] = {
        // C km/h m hPa -> C kph hundredths of km mb (one decimal)
        {6.1, 14.8, 18400, 1012.44, true, 6, 3, 15, 1840, 1012.4},
        {-0.5, 0.4, 49, 998.06, true, -1, -4, 0, 5, 998.1},
        // -> F mph hundredths of a mile inHg (two decimals)
        {6.1, 14.8, 18400, 1012.44, false, 43, 37, 9, 1143, 29.90},
        {-40, 100, 1609.344, 1000, false, -40, -46, 62, 100, 29.53},
        {37.0, 1.0, 24140, 1033.1, false, 99, 93, 1, 1500, 30.51},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.temperature) + (c.metric ? " metric" : " imperial"));
        const host::FeedValues w = live::liveFeedValues(
            paris(), answerWith(c.temperature, c.speed, c.visibility, c.pressure), c.metric);
        EXPECT_EQ(w.conditionTemp, c.temp);
        EXPECT_EQ(w.windChill, c.chill);
        EXPECT_EQ(w.windSpeed, c.windSpeed);
        ASSERT_TRUE(w.visibility);
        EXPECT_EQ(*w.visibility, c.visibilityHundredths);
        EXPECT_DOUBLE_EQ(w.pressure.value_or(0), c.pressureText);
        EXPECT_EQ(w.humidity, 87);      // 86.5 rounds half away from zero
        EXPECT_EQ(w.windDirection, 0);  // 359.6 degrees is north
    }
}

TEST(LiveFeedTest, TextsTimesAndForecastDaysInLocalTime) {
    const host::FeedValues w = live::liveFeedValues(paris(), answerWith(6, 10, 20000, 1010), true);
    EXPECT_EQ(w.city, "Paris");
    EXPECT_EQ(w.region, "\xC3\x8Ele-de-France");
    EXPECT_EQ(w.country, "FR");
    EXPECT_EQ(w.latitude, "48.85");
    EXPECT_EQ(w.longitude, "2.35");
    EXPECT_EQ(w.sunrise, "8:33 am");
    EXPECT_EQ(w.sunset, "4:53 pm");
    EXPECT_EQ(w.conditionText, "Clear");  // code 0 at night
    EXPECT_EQ(w.conditionDate, "Mon, 07 Dec 2026 10:05 pm CET");
    ASSERT_EQ(w.forecasts.size(), 7u);
    EXPECT_EQ(w.forecasts[0].day, "Mon");
    EXPECT_EQ(w.forecasts[0].date, "7 Dec 2026");
    EXPECT_EQ(w.forecasts[0].text, "Light Rain");
    EXPECT_EQ(w.forecasts[0].code, 61);
    EXPECT_EQ(w.forecasts[0].high, 9);  // 8.5
    EXPECT_EQ(w.forecasts[0].low, -1);  // -0.5
    EXPECT_EQ(w.forecasts[6].day, "Sun");
    EXPECT_EQ(w.forecasts[6].date, "13 Dec 2026");
    EXPECT_EQ(w.rising, 0);

    ForecastAnswer unknown = answerWith(6, 10, 20000, 1010);
    unknown.visibility.reset();
    unknown.days[3] = live::ForecastDay{unknown.days[3].date, {}, {}, {}, {}, {}};
    const host::FeedValues v = live::liveFeedValues(paris(), unknown, false);
    EXPECT_FALSE(v.visibility);
    EXPECT_FALSE(v.forecasts[3].high || v.forecasts[3].low || v.forecasts[3].code);
    EXPECT_EQ(v.forecasts[3].date, "10 Dec 2026");
}

TEST(WeatherCodesTest, EveryDocumentedCodeHasTextsAndAnIcon) {
    const int32_t codes[] = {0,  1,  2,  3,  45, 48, 51, 53, 55, 56, 57, 61, 63, 65,
                             66, 67, 71, 73, 75, 77, 80, 81, 82, 85, 86, 95, 96, 99};
    for (int32_t code : codes) {
        SCOPED_TRACE(code);
        for (bool day : {true, false}) {
            const std::string text = live::weatherText(code, day);
            EXPECT_FALSE(text.empty());
            EXPECT_LE(text.size(), 40u);
            EXPECT_NE(live::weatherIcon(code, day), host::IconKind::Unknown);
        }
    }
    EXPECT_STREQ(live::weatherText(0, true), "Sunny");
    EXPECT_STREQ(live::weatherText(0, false), "Clear");
    EXPECT_EQ(live::weatherIcon(0, false), host::IconKind::ClearNight);
    EXPECT_EQ(live::weatherIcon(2, false), host::IconKind::PartlyCloudyNight);
    EXPECT_EQ(live::weatherIcon(95, true), host::IconKind::Thunderstorms);
    EXPECT_STREQ(live::weatherText(42, true), "");
    EXPECT_EQ(live::weatherIcon(42, true), host::IconKind::Unknown);
}

class LiveDocumentTest : public test::FeedScanTest {};

TEST_F(LiveDocumentTest, LongUtf8NamesStayUnderTheBodyLimitAndWhole) {
    std::string longName;
    while (longName.size() < 600)
        longName += "\xE5\x8C\x97\xE4\xBA\xAC\xC3\xA9 ";  // three, three and two bytes
    Place place = paris();
    place.name = longName;
    place.admin1 = longName;
    for (bool metric : {true, false}) {
        host::FeedChannel channel{"http://127.0.0.1:8642", "Weather data by Open-Meteo.com", 15,
                                  "http://127.0.0.1:8642/icons/clear-night.png"};
        const std::string doc = host::writeFeed(
            live::liveFeedValues(place, answerWith(6, 10, 20000, 1010), metric), channel);
        EXPECT_LT(doc.size(), 4096u);
        resetViewerState();
        scan(doc);
        EXPECT_EQ(viewerState.weather.forecastCount, 7);
        const std::string city = viewerState.weather.city;
        EXPECT_GT(city.size(), 240u);
        EXPECT_EQ(host::escapeXml(city), city) << "cut inside a character";
        EXPECT_EQ(host::escapeXml(viewerState.weather.region), viewerState.weather.region);
    }
}

}  // namespace
}  // namespace nubivo
