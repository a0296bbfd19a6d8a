#include "hosts/core/feed_document.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "state/viewer_state.h"
#include "support/feed_scan_fixture.h"

namespace nubivo {
namespace {

using host::escapeXml;
using host::FeedChannel;
using host::FeedValues;
using host::writeFeed;

FeedValues oslo() {
    FeedValues w;
    w.city = "Oslo";
    w.region = "Oslo County";
    w.country = "NO";
    w.windChill = -4;
    w.windDirection = 230;
    w.windSpeed = 15;
    w.humidity = 87;
    w.visibility = 1840;
    w.pressure = 1012.4;
    w.rising = 2;
    w.sunrise = "9:12 am";
    w.sunset = "3:13 pm";
    w.latitude = "59.91";
    w.longitude = "10.75";
    w.conditionText = "Overcast";
    w.conditionCode = 3;
    w.conditionTemp = 1;
    w.conditionDate = "Mon, 07 Dec 2026 10:45 am CET";
    for (int32_t i = 0; i < 7; ++i) {
        w.forecasts.push_back(
            {"Mon", std::to_string(7 + i) + " Dec 2026", -3 + i, 2 + i, "Light Snow", 71});
    }
    return w;
}

FeedChannel channel() {
    return FeedChannel{"http://127.0.0.1:8642", "Weather data by Open-Meteo.com", 15,
                       "http://127.0.0.1:8642/icons/cloudy.png"};
}

class FeedDocumentTest : public test::FeedScanTest {};

TEST_F(FeedDocumentTest, TheViewerReadsEveryValue) {
    scan(writeFeed(oslo(), channel()));
    const WeatherReport& r = viewerState.weather;
    EXPECT_STREQ(r.city, "Oslo");
    EXPECT_STREQ(r.region, "Oslo County");
    EXPECT_STREQ(r.country, "NO");
    EXPECT_STREQ(r.tempUnit, "C");
    EXPECT_STREQ(r.distanceUnit, "km");
    EXPECT_STREQ(r.pressureUnit, "mb");
    EXPECT_STREQ(r.speedUnit, "kph");
    EXPECT_EQ(r.windChill, -4);
    EXPECT_EQ(r.windDirection, 230);
    EXPECT_EQ(r.windSpeed, 15);
    EXPECT_EQ(r.humidity, 87);
    EXPECT_EQ(r.visibility, 1840);
    EXPECT_FLOAT_EQ(r.pressure, 1012.4f);
    EXPECT_EQ(r.rising, 2);
    EXPECT_STREQ(r.sunrise, "9:12 am");
    EXPECT_STREQ(r.sunset, "3:13 pm");
    EXPECT_STREQ(r.latitude, "59.91");
    EXPECT_STREQ(r.longitude, "10.75");
    EXPECT_STREQ(r.conditionText, "Overcast");
    EXPECT_EQ(r.conditionCode, 3);
    EXPECT_EQ(r.conditionTemp, 1);
    EXPECT_STREQ(r.conditionDate, "Mon, 07 Dec 2026 10:45 am CET");
    ASSERT_EQ(r.forecastCount, 7);
    EXPECT_STREQ(r.forecasts[6].date, "13 Dec 2026");
    EXPECT_EQ(r.forecasts[6].low, 3);
    EXPECT_EQ(r.forecasts[6].high, 8);
    EXPECT_STREQ(r.forecasts[6].text, "Light Snow");
    EXPECT_EQ(r.forecasts[6].code, 71);
    EXPECT_STREQ(viewerState.conditionIconUrl, "http://127.0.0.1:8642/icons/cloudy.png");
}

TEST_F(FeedDocumentTest, ImperialUnitsAndValuesTheSourceLacks) {
    FeedValues w = oslo();
    w.metric = false;
    w.pressure = 29.8957;
    w.visibility.reset();
    w.forecasts[2].high.reset();
    viewerState.weather.visibility = 77;
    viewerState.weather.forecasts[2].high = 77;
    const std::string doc = writeFeed(w, channel());
    EXPECT_NE(doc.find("pressure=\"29.90\""), std::string::npos);
    EXPECT_NE(doc.find("visibility=\"\""), std::string::npos);
    scan(doc);
    EXPECT_STREQ(viewerState.weather.tempUnit, "F");
    EXPECT_STREQ(viewerState.weather.distanceUnit, "mi");
    EXPECT_STREQ(viewerState.weather.pressureUnit, "in");
    EXPECT_STREQ(viewerState.weather.speedUnit, "mph");
    EXPECT_EQ(viewerState.weather.visibility, 0);  // an empty value, not an old one
    EXPECT_EQ(viewerState.weather.forecasts[2].high, 0);
    EXPECT_EQ(viewerState.weather.rising, 2);  // the values after them still arrive
    EXPECT_STREQ(viewerState.weather.forecasts[2].text, "Light Snow");
}

TEST_F(FeedDocumentTest, OnlySevenForecastsAreWritten) {
    FeedValues w = oslo();
    w.forecasts.resize(9, w.forecasts[0]);
    scan(writeFeed(w, channel()));
    EXPECT_EQ(viewerState.weather.forecastCount, 7);
}

TEST(EscapeXmlTest, EntitiesControlsAndBrokenUtf8) {
    struct Case {
        const char* text;
        const char* escaped;
    };
    const Case cases[] = {
        {"A&B", "A&amp;B"},
        {"<b>Bold</b>", "&lt;b&gt;Bold&lt;&#47;b&gt;"},
        {"Say \"hi\"", "Say &quot;hi&quot;"},
        {"Biel/Bienne", "Biel&#47;Bienne"},
        {"tab\there", "tab here"},
        {"bad \xFF byte", "bad ? byte"},
        {"cut \xC3", "cut ?"},
        {"Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x8C\xA7",
         "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x8C\xA7"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(escapeXml(c.text), c.escaped) << c.text;
    }
}

TEST(EscapeXmlTest, ACutKeepsWholeCharactersAndEntities) {
    // "é" is two bytes: at five bytes the third would split.
    EXPECT_EQ(escapeXml("\xC3\xA9\xC3\xA9\xC3\xA9", 5), "\xC3\xA9\xC3\xA9");
    EXPECT_EQ(escapeXml("ab&cd", 6), "ab");
    EXPECT_EQ(escapeXml("ab&cd", 7), "ab&amp;");
    EXPECT_EQ(escapeXml("\xF0\x9F\x8C\xA7x", 3), "");
}

TEST_F(FeedDocumentTest, TheLongestTextsStayUnderTheViewersBodyLimit) {
    // Texts of every kind at their worst: four-byte characters, and characters that grow
    // five and six times when escaped.
    std::string rain;
    while (rain.size() < 2000)
        rain += "\xF0\x9F\x8C\xA7";
    const std::string quotes(2000, '"');
    const std::string slashes(2000, '/');
    for (const std::string& text : {rain, quotes, slashes}) {
        FeedValues w = oslo();
        w.city = w.region = w.country = w.sunrise = w.sunset = w.latitude = w.longitude = text;
        w.conditionText = w.conditionDate = text;
        w.windChill = w.windDirection = w.windSpeed = w.humidity = INT32_MIN;
        w.conditionTemp = w.conditionCode = INT32_MIN;
        w.pressure = -1e30;
        w.visibility = INT32_MIN;
        for (host::ForecastEntry& f : w.forecasts) {
            f.day = f.date = f.text = text;
            f.low = f.high = f.code = INT32_MIN;
        }
        FeedChannel c = channel();
        c.link = c.iconUrl = c.description = text;
        for (bool metric : {true, false}) {
            w.metric = metric;
            const std::string doc = writeFeed(w, c);
            EXPECT_LE(doc.size(), host::maxFeedBytes);
            resetViewerState();
            scan(doc);
            EXPECT_EQ(viewerState.weather.forecastCount, 7);
            EXPECT_STREQ(viewerState.weather.tempUnit, metric ? "C" : "F");
            // The city fills the viewer's field but for a cut between two characters.
            const size_t stored = std::strlen(viewerState.weather.city);
            EXPECT_GE(stored, 245u);
            if (text == rain) {
                EXPECT_EQ(stored % 4, 0u);
                EXPECT_EQ(std::strlen(viewerState.weather.sunrise), 12u);
            }
        }
    }
}

}  // namespace
}  // namespace nubivo
