// The live host over HTTP, as the viewer meets it, and one whole update of the viewer's core
// against it while it stands on the scripted upstream.
#include <FreeImage.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <string>

#include "images/map_layers.h"
#include "platform/http_date.h"
#include "platform/server_addresses.h"
#include "state/viewer_state.h"
#include "state/window_bridge.h"
#include "support/served_server.h"
#include "tests/hosts/live/live_host_fixture.h"
#include "worker/update_worker.h"

namespace nubivo {
namespace {

class LiveServerTest : public test::LiveHostTest {
  protected:
    void SetUp() override {
        LiveHostTest::SetUp();
        start();
        host->install(server);
        served = std::make_unique<test::ServedServer>(server);
        port = served->port();
    }
    void TearDown() override {
        served.reset();
        LiveHostTest::TearDown();
    }

    httplib::Result get(const std::string& path) { return served->get(path); }

    httplib::Server server;
    std::unique_ptr<test::ServedServer> served;
    int port = -1;
};

TEST_F(LiveServerTest, EveryPathAnswersWithItsTypeAndLength) {
    struct Case {
        std::string path;
        int status;
        const char* type;
    };
    const Case cases[] = {
        {"/forecastrss?p=Paris%20FR&u=c", 200, "application/rss+xml; charset=UTF-8"},
        {"/forecastrss?p=Atlantis&u=f", 404, "text/plain; charset=UTF-8"},
        {"/forecastrss?u=c", 404, "text/plain; charset=UTF-8"},
        {"/icons/partly-cloudy-night.png", 200, "image/png"},
        {"/icons/cloudy.png", 200, "image/png"},
        {"/icons/3.png", 404, "text/plain; charset=UTF-8"},
        {"/images/eur_satintl_440_mdy_y.jpg", 200, "image/jpeg"},
        {"/images/carib_websattropir_440_mdy_y.jpg", 200, "image/jpeg"},
        {"/images/na_fcstlo_440_mdy_y.jpg", 200, "image/jpeg"},
        {"/images/eur_satintl_440_mdy_yXjpg", 404, "text/plain; charset=UTF-8"},
        {"/images/nowhere.jpg", 404, "text/plain; charset=UTF-8"},
        {"/", 404, "text/plain; charset=UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const httplib::Result result = get(c.path);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, c.status);
        EXPECT_EQ(result->get_header_value("Content-Type"), c.type);
        EXPECT_EQ(result->get_header_value("Content-Length"), std::to_string(result->body.size()));
        EXPECT_FALSE(result->body.empty());
    }
    const httplib::Result map = get("/images/eur_satintl_440_mdy_y.jpg");
    ASSERT_TRUE(map);
    SystemTime stamp{};
    ASSERT_TRUE(parseHttpDate(map->get_header_value("Last-Modified").c_str(), &stamp));
    EXPECT_EQ(stamp.hour, 10);
    EXPECT_EQ(stamp.minute, 20);
    const httplib::Result feed = get("/forecastrss?p=Paris%20FR&u=c");
    ASSERT_TRUE(feed);
    EXPECT_NE(feed->body.find("src=\"http://127.0.0.1:" + std::to_string(port) + "/icons/"),
              std::string::npos);
    EXPECT_NE(feed->body.find("Weather data by Open-Meteo.com"), std::string::npos);

    // A page in a browser reaching the host through a name of its own is turned away before
    // anything is asked upstream.
    const int32_t asked = upstream.requests(test::ScriptedUpstream::Geocoding);
    httplib::Client client("127.0.0.1", port);
    const httplib::Headers rebound = {{"Host", "rebound.example:" + std::to_string(port)}};
    for (const char* path : {"/forecastrss?p=Oslo&u=c", "/images/eur_satintl_440_mdy_y.jpg"}) {
        const httplib::Result refused = client.Get(path, rebound);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 403) << path;
    }
    EXPECT_EQ(upstream.requests(test::ScriptedUpstream::Geocoding), asked);
}

void formParisFahrenheit(char* location, size_t size, bool* celsius) {
    copyText(location, size, "Paris FR");
    *celsius = false;
}

TEST_F(LiveServerTest, AWholeUpdateOfTheViewerShowsUpstreamsWeatherAndMaps) {
    setIconDownloadEnabled(true);
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    setHostsForTesting(base.c_str(), base.c_str());
    windowBridge.readForm = formParisFahrenheit;
    updateWorker();
    windowBridge = WindowBridge{};
    setHostsForTesting(nullptr, nullptr);

    const WeatherReport& w = viewerState.weather;
    EXPECT_STREQ(w.city, "Paris");
    EXPECT_STREQ(w.tempUnit, "F");
    EXPECT_EQ(w.conditionTemp, 43);
    EXPECT_EQ(w.visibility, 1143);
    EXPECT_FLOAT_EQ(w.pressure, 29.90f);
    EXPECT_STREQ(w.conditionText, "Overcast");
    EXPECT_EQ(w.forecastCount, 7);
    ASSERT_NE(viewerState.conditionIcon, nullptr);
    EXPECT_EQ(FreeImage_GetWidth(viewerState.conditionIcon), 52u);
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        SCOPED_TRACE(layer);
        EXPECT_EQ(viewerState.layerReady[layer].load(), 1);
        ASSERT_NE(viewerState.layerImage[layer], nullptr);
        EXPECT_EQ(FreeImage_GetWidth(viewerState.layerImage[layer]), 440u);
        EXPECT_EQ(FreeImage_GetHeight(viewerState.layerImage[layer]), 330u);
    }
    // Upstream was asked once for each thing: the place, its weather, Europe's Meteosat
    // picture (after the layer's times), yesterday's composite for the far north-east, and
    // one grid for the three forecast maps.
    EXPECT_EQ(upstream.requests(test::ScriptedUpstream::Geocoding), 1);
    EXPECT_EQ(upstream.requests(test::ScriptedUpstream::Forecast), 2);
    EXPECT_EQ(upstream.requests(test::ScriptedUpstream::Eumetsat), 2);
    EXPECT_EQ(upstream.requests(test::ScriptedUpstream::Imagery), 1);
}

}  // namespace
}  // namespace nubivo
