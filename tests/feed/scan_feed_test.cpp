#include "feed/scan_feed.h"

#include <gtest/gtest.h>

#include <cmath>
#include <mutex>
#include <string>
#include <vector>

#include "images/condition_icon.h"
#include "state/viewer_state.h"
#include "support/feed_scan_fixture.h"

namespace nubivo {
namespace {

class ScanFeedTest : public test::FeedScanTest {
  protected:
    static WeatherReport& weather() { return viewerState.weather; }
};

const char* const workedExample =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
    "<rss version=\"2.0\" xmlns:nweather=\"urn:nubivo:weather\">\n"
    "<channel><title>Weather for Oslo</title>\n"
    "<nweather:location city=\"Oslo\" region=\"Oslo\" country=\"NO\"/>\n"
    "<nweather:units temperature=\"F\" distance=\"mi\" pressure=\"in\" speed=\"mph\"/>\n"
    "<nweather:wind chill=\"28\" direction=\"0\" speed=\"7\" />\n"
    "<nweather:atmosphere humidity=\"80\" visibility=\"1609\" pressure=\"29.92\" "
    "rising=\"0\" />\n"
    "<nweather:astronomy sunrise=\"8:51 am\" sunset=\"3:13 pm\"/>\n"
    "<item><geo:lat>59.95</geo:lat>\n<geo:long>10.75</geo:long>\n"
    "<description><![CDATA[<img src=\"http://127.0.0.1:1/icons/26.png\"/><br />]]>"
    "</description>\n"
    "<nweather:condition text=\"Cloudy\" code=\"26\" temp=\"28\" date=\"Mon, 07 Dec 2026 "
    "10:50 am CET\" />\n"
    "<nweather:forecast day=\"Mon\" date=\"7 Dec 2026\" low=\"21\" high=\"30\" "
    "text=\"Snow Showers\" code=\"14\" />\n"
    "<nweather:forecast day=\"Tue\" date=\"8 Dec 2026\" low=\"18\" high=\"27\" "
    "text=\"Partly Cloudy\" code=\"30\" />\n"
    "</item></channel></rss>\n";

TEST_F(ScanFeedTest, WorkedExampleFillsEveryField) {
    scan(workedExample);
    const WeatherReport& w = weather();
    EXPECT_STREQ(w.city, "Oslo");
    EXPECT_STREQ(w.region, "Oslo");
    EXPECT_STREQ(w.country, "NO");
    EXPECT_STREQ(w.tempUnit, "F");
    EXPECT_STREQ(w.distanceUnit, "mi");
    EXPECT_STREQ(w.pressureUnit, "in");
    EXPECT_STREQ(w.speedUnit, "mph");
    EXPECT_EQ(w.windChill, 28);
    EXPECT_EQ(w.windDirection, 0);
    EXPECT_EQ(w.windSpeed, 7);
    EXPECT_EQ(w.humidity, 80);
    EXPECT_EQ(w.visibility, 1609);
    EXPECT_FLOAT_EQ(w.pressure, 29.92f);
    EXPECT_EQ(w.rising, 0);
    EXPECT_STREQ(w.sunrise, "8:51 am");
    EXPECT_STREQ(w.sunset, "3:13 pm");
    EXPECT_STREQ(w.latitude, "59.95");
    EXPECT_STREQ(w.longitude, "10.75");
    EXPECT_STREQ(w.conditionText, "Cloudy");
    EXPECT_EQ(w.conditionCode, 26);
    EXPECT_EQ(w.conditionTemp, 28);
    EXPECT_STREQ(w.conditionDate, "Mon, 07 Dec 2026 10:50 am CET");
    ASSERT_EQ(w.forecastCount, 2);
    EXPECT_STREQ(w.forecasts[0].day, "Mon");
    EXPECT_STREQ(w.forecasts[0].date, "7 Dec 2026");
    EXPECT_EQ(w.forecasts[0].low, 21);
    EXPECT_EQ(w.forecasts[0].high, 30);
    EXPECT_STREQ(w.forecasts[0].text, "Snow Showers");
    EXPECT_EQ(w.forecasts[0].code, 14);
    EXPECT_STREQ(w.forecasts[1].day, "Tue");
    EXPECT_EQ(w.forecasts[1].code, 30);
    EXPECT_STREQ(viewerState.conditionIconUrl, "http://127.0.0.1:1/icons/26.png");
    EXPECT_EQ(viewerState.scanState, ScanState::None);
}

// Each case scans one body into a fresh record and looks at the wind fields, which start at
// 0; `chill` is what windChill must hold afterwards (0 when the element is not recognised).
struct NameCase {
    const char* label;
    const char* body;
    int32_t chill;
};

TEST_F(ScanFeedTest, ElementNamesEndOnlyAtSpaceLessThanOrGreaterThan) {
    const NameCase cases[] = {
        {"space", "<nweather:wind chill=\"5\"/>", 5},
        {"greater than", "<nweather:wind>\"5\"/>", 5},
        {"less than", "<nweather:wind<x \"5\"/>", 5},
        {"tab", "<nweather:wind\tchill=\"5\"/>", 0},
        {"line feed", "<nweather:wind\nchill=\"5\"/>", 0},
        {"carriage return", "<nweather:wind\r\nchill=\"5\"/>", 0},
        {"slash right after the name", "<nweather:wind/>\"5\"", 0},
        {"upper case", "<NWEATHER:WIND chill=\"5\"/>", 5},
        {"mixed case", "<nWeather:WinD chill=\"5\"/>", 5},
        {"other prefix", "<xweather:wind chill=\"5\"/>", 0},
        {"closing tag", "</nweather:wind chill=\"5\"/>", 0},
        {"name at the very end", "<nweather:wind", 0},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.label);
        resetViewerState();
        scan(c.body);
        EXPECT_EQ(weather().windChill, c.chill);
    }
}

struct ValueCase {
    const char* label;
    const char* body;
    int32_t chill;
    int32_t direction;
    int32_t speed;
};

TEST_F(ScanFeedTest, ValuesLandByOrdinal) {
    const ValueCase cases[] = {
        {"named attributes", "<nweather:wind chill=\"1\" direction=\"2\" speed=\"3\"/>", 1, 2, 3},
        {"other attribute names", "<nweather:wind a=\"1\" b=\"2\" c=\"3\"/>", 1, 2, 3},
        {"no attribute names", "<nweather:wind \"1\"\"2\" \"3\"/>", 1, 2, 3},
        {"swapped values", "<nweather:wind chill=\"2\" direction=\"1\" speed=\"3\"/>", 2, 1, 3},
        {"values over several lines",
         "<nweather:wind chill=\"1\"\n direction=\"2\"\n\tspeed=\"3\"/>", 1, 2, 3},
        {"surplus value ignored", "<nweather:wind a=\"1\" b=\"2\" c=\"3\" d=\"4\"/>", 1, 2, 3},
        {"missing values keep old", "<nweather:wind a=\"1\"/>", 1, 90, 9},
        {"slash inside a value drops it and the rest", "<nweather:wind a=\"1\" b=\"2/3\" c=\"4\"/>",
         1, 90, 9},
        {"empty value gives 0", "<nweather:wind a=\"\" b=\"2\" c=\"3\"/>", 0, 2, 3},
        {"atoi reading", "<nweather:wind a=\" -12abc\" b=\"+7.9\" c=\"x5\"/>", -12, 7, 0},
        {"overflow held at the limits",
         "<nweather:wind a=\"99999999999999\" b=\"-99999999999999\" c=\"2147483647\"/>", INT32_MAX,
         INT32_MIN, INT32_MAX},
        {"single quotes do not delimit", "<nweather:wind a='1' b=\"2\"/>", 2, 90, 9},
        {"value cut by the end of the body", "<nweather:wind a=\"1\" b=\"2\" c=\"34", 1, 2, 34},
        {"body ends after the opening quote", "<nweather:wind a=\"1\" b=\"", 1, 90, 9},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.label);
        resetViewerState();
        weather().windDirection = 90;
        weather().windSpeed = 9;
        scan(c.body);
        EXPECT_EQ(weather().windChill, c.chill);
        EXPECT_EQ(weather().windDirection, c.direction);
        EXPECT_EQ(weather().windSpeed, c.speed);
    }
}

TEST_F(ScanFeedTest, TextValuesAreStoredByteForByteUpToANul) {
    struct Case {
        const char* label;
        std::vector<std::string> bodies;  // scanned in turn
        const char* (*field)(const WeatherReport&);
        const char* text;
    };
    auto city = [](const WeatherReport& w) -> const char* { return w.city; };
    auto region = [](const WeatherReport& w) -> const char* { return w.region; };
    auto condition = [](const WeatherReport& w) -> const char* { return w.conditionText; };
    const Case cases[] = {
        {"entities and 8-bit bytes as written",
         {"<nweather:condition text=\"Rain &amp; Wind &#176; \xE9t\xE9\" code=\"12\"/>"},
         condition,
         "Rain &amp; Wind &#176; \xE9t\xE9"},
        {"a shorter text replaces a longer one whole",
         {"<nweather:location city=\"Amsterdam\"/>", "<nweather:location city=\"Ede\"/>"},
         city,
         "Ede"},
        {"a NUL byte ends the value",
         {std::string("<nweather:location city=\"Ab\0cd\" region=\"R\"/>", 44)},
         city,
         "Ab"},
        {"the value after it is taken as usual",
         {std::string("<nweather:location city=\"Ab\0cd\" region=\"R\"/>", 44)},
         region,
         "R"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        resetViewerState();
        for (const std::string& body : c.bodies) {
            scan(body);
        }
        EXPECT_STREQ(c.field(weather()), c.text);
    }
}

TEST_F(ScanFeedTest, OverlongValuesAreCutToTheirFields) {
    const std::string longText(2000, 'x');
    scan("<nweather:location city=\"" + longText + "\" region=\"" + longText +
         "\" country=\"NOR\"/><nweather:units t=\"Cel\" d=\"kms\" p=\"mbar\" s=\"km h\"/>"
         "<nweather:astronomy a=\"10:00:00 am CEST\"/>"
         "<nweather:forecast d=\"Monday\" t=\"" +
         longText + "\"/>");
    const WeatherReport& w = weather();
    EXPECT_EQ(std::string(w.city), std::string(254, 'x'));
    EXPECT_EQ(std::string(w.region), std::string(254, 'x'));
    EXPECT_STREQ(w.country, "NO");
    EXPECT_STREQ(w.tempUnit, "C");
    EXPECT_STREQ(w.distanceUnit, "km");
    EXPECT_STREQ(w.pressureUnit, "mb");
    EXPECT_STREQ(w.speedUnit, "km ");
    EXPECT_STREQ(w.sunrise, "10:00:00 am CES");
    EXPECT_STREQ(w.forecasts[0].day, "Mon");
    EXPECT_EQ(std::string(w.forecasts[0].date), std::string(255, 'x'));
}

TEST_F(ScanFeedTest, OverlongNameIsPassedOver) {
    const std::string longName(5000, 'N');
    scan("<" + longName + " a=\"1\"/><nweather:wind a=\"4\"/>");
    EXPECT_EQ(weather().windChill, 4);
    scan("<nweather:wind" + longName + " a=\"1\"/>");
    EXPECT_EQ(weather().windChill, 4);
}

TEST_F(ScanFeedTest, DecimalPressure) {
    const struct {
        const char* value;
        float pressure;
    } cases[] = {
        {"29.92", 29.92f}, {"1015.9", 1015.9f}, {" -3.5e2", -350.0f}, {"", 0.0f},
        {"12,5", 12.0f},   {"abc", 0.0f},       {"1e999", HUGE_VALF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        scan(std::string("<nweather:atmosphere h=\"1\" v=\"2\" p=\"") + c.value + "\"/>");
        EXPECT_FLOAT_EQ(weather().pressure, c.pressure);
    }
}

TEST_F(ScanFeedTest, VisibilityWithAFractionKeepsItsWholePart) {
    scan("<nweather:atmosphere humidity=\"63\" visibility=\"16.09\" pressure=\"1\"/>");
    EXPECT_EQ(weather().visibility, 16);
}

TEST_F(ScanFeedTest, PositionTextContent) {
    scan("<geo:lat>59.95</geo:lat><GEO:LONG>  10.75\n</GEO:LONG>");
    EXPECT_STREQ(weather().latitude, "59.95");
    EXPECT_STREQ(weather().longitude, "  10.75\n");

    scan("<geo:lat unit=\"deg\">48.1</geo:lat>");
    EXPECT_STREQ(weather().latitude, "unit=\"deg\">48.1");

    scan("<geo:lat>1.0</geo:lat><geo:long>22.5");
    EXPECT_STREQ(weather().latitude, "1.0");
    EXPECT_STREQ(weather().longitude, "  10.75\n");

    scan("<geo:lat>");
    EXPECT_STREQ(weather().latitude, "1.0");
}

TEST_F(ScanFeedTest, ElementClosedByGreaterThanCollectsFollowingValues) {
    scan(
        "<nweather:wind chill=\"1\" direction=\"2\">"
        "<nweather:atmosphere humidity=\"3\" visibility=\"4\"/>");
    EXPECT_EQ(weather().windChill, 1);
    EXPECT_EQ(weather().windDirection, 2);
    EXPECT_EQ(weather().windSpeed, 3);
    EXPECT_EQ(weather().humidity, 0);
    EXPECT_EQ(weather().visibility, 0);
}

TEST_F(ScanFeedTest, ForecastCounting) {
    const struct {
        const char* label;
        int elements;
        const char* element;
        int32_t count;
    } cases[] = {
        {"none", 0, "", 0},
        {"without values", 3, "<nweather:forecast />", 3},
        {"slash right after the name", 3, "<nweather:forecast/>", 0},
        {"seven", 7, "<nweather:forecast day=\"Day\" date=\"d\" low=\"1\" high=\"2\"/>", 7},
        {"eight", 8, "<nweather:forecast day=\"Day\" date=\"d\" low=\"1\" high=\"2\"/>", 7},
        {"twenty", 20, "<nweather:forecast day=\"Day\"/>", 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        resetViewerState();
        std::string body;
        for (int i = 0; i < c.elements; ++i) {
            body += c.element;
        }
        scan(body);
        EXPECT_EQ(weather().forecastCount, c.count);
    }
}

TEST_F(ScanFeedTest, EighthForecastWritesNothing) {
    std::string body;
    for (int i = 1; i <= 8; ++i) {
        body += "<nweather:forecast day=\"D" + std::to_string(i) + "\" date=\"x\" low=\"" +
                std::to_string(i) + "\"/>";
    }
    body += "<nweather:wind chill=\"77\"/>";
    scan(body);
    EXPECT_EQ(weather().forecastCount, 7);
    EXPECT_STREQ(weather().forecasts[6].day, "D7");
    EXPECT_EQ(weather().forecasts[6].low, 7);
    EXPECT_EQ(weather().windChill, 77);
}

TEST_F(ScanFeedTest, BodiesWithoutElementsChangeOnlyTheCount) {
    scan(workedExample);
    const WeatherReport before = weather();
    const std::vector<std::string> bodies = {"", "no markup at all", "text then <",
                                             std::string("\0\0\0", 3)};
    for (const std::string& body : bodies) {
        SCOPED_TRACE(body);
        scan(workedExample);
        scan(body);
        EXPECT_EQ(weather().forecastCount, 0);
        EXPECT_STREQ(weather().city, before.city);
        EXPECT_EQ(weather().humidity, before.humidity);
        EXPECT_STREQ(weather().forecasts[1].text, before.forecasts[1].text);
        EXPECT_STREQ(viewerState.conditionIconUrl, "http://127.0.0.1:1/icons/26.png");
    }
    scanFeed(nullptr, 0);
    EXPECT_EQ(weather().forecastCount, 0);
    EXPECT_STREQ(weather().city, "Oslo");
}

TEST_F(ScanFeedTest, ASecondFeedKeepsWhatItLacks) {
    scan(workedExample);
    std::string shorter =
        "<nweather:location city=\"Bergen\"/>"
        "<nweather:forecast day=\"Wed\"/>";
    scan(shorter);
    EXPECT_STREQ(weather().city, "Bergen");
    EXPECT_STREQ(weather().region, "Oslo");
    EXPECT_STREQ(weather().sunrise, "8:51 am");
    EXPECT_EQ(weather().forecastCount, 1);
    EXPECT_STREQ(weather().forecasts[0].day, "Wed");
    EXPECT_STREQ(weather().forecasts[0].date, "7 Dec 2026");
    EXPECT_STREQ(weather().forecasts[1].day, "Tue");
}

TEST_F(ScanFeedTest, ScanStateFollowsTheLastName) {
    const struct {
        const char* body;
        ScanState state;
    } cases[] = {
        {"", ScanState::None},
        {"<nweather:location a=\"x\"/>", ScanState::Location},
        {"<nweather:units a=\"x\"/>", ScanState::Units},
        {"<nweather:wind a=\"1\"/>", ScanState::Wind},
        {"<nweather:atmosphere a=\"1\"/>", ScanState::Atmosphere},
        {"<nweather:astronomy a=\"x\"/>", ScanState::Astronomy},
        {"<nweather:condition a=\"x\"/>", ScanState::Condition},
        {"<nweather:forecast a=\"x\"/>", ScanState::Forecast},
        {"<nweather:forecast a=\"x\"/><other>", ScanState::None},
        {"<nweather:wind a=\"1\"/><geo:lat>1</geo:lat>", ScanState::None},
        {"<nweather:wind a=\"1\"/><img src=\"u\"/>", ScanState::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        scan(c.body);
        EXPECT_EQ(viewerState.scanState, c.state);
    }
}

TEST_F(ScanFeedTest, ImgElementHandsOverAndTheScanGoesOn) {
    scan("<img alt=\"first\" src=\"http://h/x.png\"/><nweather:wind a=\"3\"/>");
    EXPECT_STREQ(viewerState.conditionIconUrl, "first");
    EXPECT_EQ(weather().windChill, 3);

    scan("<![CDATA[<IMG src=\"http://h/a/b.gif?x=1&y=2\">]]><nweather:wind a=\"4\"/>");
    EXPECT_STREQ(viewerState.conditionIconUrl, "http://h/a/b.gif?x=1&y=2");
    EXPECT_EQ(weather().windChill, 4);
}

// A paint may come at any release of the state lock. Whatever it finds, a forecast column it
// shows must hold the values of the feed that opened it, never those of the feed before.
int32_t staleColumns = 0;
thread_local bool looking = false;

void lookAsAPaintWould() {
    if (looking) {
        return;
    }
    looking = true;
    {
        std::lock_guard guard(viewerState.stateLock);
        const WeatherReport& w = viewerState.weather;
        const int32_t base = w.city[0] == 'B' ? 200 : 100;
        for (int32_t day = 0; day < w.forecastCount; ++day) {
            staleColumns += w.forecasts[day].code != base + day ? 1 : 0;
        }
    }
    looking = false;
}

TEST_F(ScanFeedTest, APaintNeverSeesAForecastColumnBeforeItsValues) {
    std::string feeds[2];
    for (int feed = 0; feed < 2; ++feed) {
        feeds[feed] =
            std::string("<nweather:location city=\"") + static_cast<char>('A' + feed) + "\"/>";
        for (int day = 0; day < forecastCapacity; ++day) {
            feeds[feed] += "<nweather:forecast d=\"D\" t=\"x\" l=\"1\" h=\"2\" x=\"t\" c=\"" +
                           std::to_string(100 * (feed + 1) + day) + "\"/>";
        }
    }
    staleColumns = 0;
    StateLock::releaseWatch = lookAsAPaintWould;
    scan(feeds[0]);
    scan(feeds[1]);
    StateLock::releaseWatch = nullptr;
    EXPECT_EQ(weather().forecasts[6].code, 206);
    EXPECT_EQ(staleColumns, 0);
}

}  // namespace
}  // namespace nubivo
