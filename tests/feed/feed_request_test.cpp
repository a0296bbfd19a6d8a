#include "feed/feed_request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/server_addresses.h"
#include "platform/http.h"
#include "state/viewer_state.h"
#include "state/window_bridge.h"
#include "support/local_server.h"

namespace nubivo {
namespace {

// What the fake window's form holds.
std::string formLocation;
bool formCelsius = true;

void readFakeForm(char* location, size_t size, bool* celsius) {
    copyText(location, size, formLocation.c_str());
    *celsius = formCelsius;
}

std::string forecast(const char* day, int low, const char* text) {
    return "<nweather:forecast day=\"" + std::string(day) + "\" date=\"7 Dec 2026\" low=\"" +
           std::to_string(low) + "\" high=\"" + std::to_string(low + 9) + "\" text=\"" + text +
           "\" code=\"14\" />\n";
}

// A feed with the location first, then `padding` bytes of channel text, then the forecast
// days of `days` (one letter each gives the day's text).
std::string feedBody(const std::string& city, size_t padding, const std::string& days) {
    std::string body =
        "<?xml version=\"1.0\" ?>\n<rss version=\"2.0\"><channel>\n"
        "<nweather:location city=\"" +
        city + "\" region=\"R\" country=\"NO\"/>\n<description>";
    body.append(padding, 'x');
    body += "</description>\n";
    int low = 0;
    for (const char day : days) {
        body += forecast("Mon", low++, std::string(1, day).c_str());
    }
    return body + "</channel></rss>\n";
}

class FeedRequestTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetViewerState();
        formLocation = "Oslo";
        formCelsius = true;
        windowBridge.readForm = readFakeForm;
        host = server.baseUrl();
        setHostsForTesting(host.c_str(), host.c_str());
        HttpLimits limits;
        limits.connectTimeoutMs = 2000;
        limits.stallSeconds = 2;
        limits.totalTimeoutMs = 10000;
        setHttpLimits(limits);
    }
    void TearDown() override {
        windowBridge = WindowBridge{};
        setHostsForTesting(nullptr, nullptr);
        setHttpLimits(HttpLimits{});
        httpResetCancel();
        resetViewerState();
    }

    static const WeatherReport& weather() { return viewerState.weather; }

    test::LocalServer server;
    std::string host;
};

TEST_F(FeedRequestTest, AsksForTheFormsLocationInTheFormsUnit) {
    server.getText("/forecastrss", feedBody("Oslo", 0, "a"), 200, "text/xml");
    struct Case {
        const char* location;
        bool celsius;
        const char* target;
    };
    const Case cases[] = {
        {"Oslo", true, "/forecastrss?p=Oslo&u=c"},
        {"Oslo", false, "/forecastrss?p=Oslo&u=f"},
        {"", true, "/forecastrss?p=&u=c"},
        {"New York", false, "/forecastrss?p=New%20York&u=f"},
        {"NOXX0029", true, "/forecastrss?p=NOXX0029&u=c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        formLocation = c.location;
        formCelsius = c.celsius;
        const size_t before = server.requestCount();
        fetchFeed();
        ASSERT_EQ(server.requestCount(), before + 1);
        const test::RecordedRequest seen = server.lastRequest();
        EXPECT_EQ(seen.target, c.target);
        EXPECT_EQ(seen.userAgent, "Nubivo Weather Viewer");
    }
}

TEST_F(FeedRequestTest, ALocationAsLongAsTheBoxHoldsIsSentWhole) {
    server.getText("/forecastrss", feedBody("Oslo", 0, ""), 200, "text/xml");
    formLocation = std::string(254, 'L');
    fetchFeed();
    EXPECT_EQ(server.lastRequest().target, "/forecastrss?p=" + formLocation + "&u=c");
}

TEST_F(FeedRequestTest, ABodyInManyPiecesIsScannedWhole) {
    // The location stands in the first piece and seven forecast days after 20 KB, so only a
    // scan of the whole body, in order, finds them all.
    const std::string body = feedBody("Bergen", 20000, "abcdefg");
    server.getSlowly("/forecastrss", body, 1000, 1);
    fetchFeed();
    EXPECT_EQ(server.bytesSent("/forecastrss"), body.size());
    EXPECT_STREQ(weather().city, "Bergen");
    ASSERT_EQ(weather().forecastCount, 7);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(weather().forecasts[i].low, i);
        EXPECT_EQ(weather().forecasts[i].text[0], "abcdefg"[i]);
    }
}

TEST_F(FeedRequestTest, ReadingStopsAtSixtyFourKibibytes) {
    // Two forecast days, split by padding so that the second begins past 64 KiB.
    std::string body = feedBody("Tromso", 100, "a");
    body.append(65536 - body.size() + 10, ' ');
    body += forecast("Tue", 50, "late");
    body.append(1 << 20, ' ');
    server.getSlowly("/forecastrss", body, 4096, 5);
    fetchFeed();
    EXPECT_STREQ(weather().city, "Tromso");
    EXPECT_EQ(weather().forecastCount, 1);
    EXPECT_LT(server.bytesSent("/forecastrss"), body.size());
}

TEST_F(FeedRequestTest, AnErrorPageIsScannedLikeAFeed) {
    server.getText("/forecastrss", feedBody("Nowhere", 0, "ab"), 404, "text/html");
    fetchFeed();
    EXPECT_STREQ(weather().city, "Nowhere");
    EXPECT_EQ(weather().forecastCount, 2);
}

TEST_F(FeedRequestTest, NoServerScansNothingAndChangesNothingButTheCount) {
    server.getText("/forecastrss", feedBody("Oslo", 0, "abc"), 200, "text/xml");
    fetchFeed();
    ASSERT_EQ(weather().forecastCount, 3);
    WeatherReport before;
    std::memcpy(&before, &viewerState.weather, sizeof before);

    const std::string closed = "http://127.0.0.1:" + std::to_string(test::closedPort());
    setHostsForTesting(closed.c_str(), closed.c_str());
    fetchFeed();
    EXPECT_EQ(weather().forecastCount, 0);
    before.forecastCount = 0;
    EXPECT_EQ(std::memcmp(&before, &viewerState.weather, sizeof before), 0);
}

TEST_F(FeedRequestTest, WithoutAWindowAnEmptyLocationIsAskedInCelsius) {
    server.getText("/forecastrss", "", 200, "text/xml");
    windowBridge.readForm = nullptr;
    fetchFeed();
    EXPECT_EQ(server.lastRequest().target, "/forecastrss?p=&u=c");
}

}  // namespace
}  // namespace nubivo
