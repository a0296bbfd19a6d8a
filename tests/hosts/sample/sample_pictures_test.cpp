#include <FreeImage.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "hosts/core/icons.h"
#include "hosts/sample/sample_maps.h"
#include "hosts/sample/sample_server.h"
#include "hosts/sample/sample_weather.h"
#include "images/image_download.h"
#include "images/map_layers.h"
#include "platform/http_date.h"
#include "platform/server_addresses.h"
#include "state/viewer_state.h"
#include "state/window_bridge.h"
#include "support/jpeg_facts.h"
#include "support/served_server.h"
#include "worker/update_worker.h"

namespace nubivo {
namespace {

// 2026-12-07 10:20:00 UTC.
constexpr int64_t mondayMorning = 1796638800;

struct Size {
    int32_t width = 0;
    int32_t height = 0;
};

// Decodes `bytes` the way the viewer does; {0, 0} when they do not decode.
Size decodedSize(const std::vector<uint8_t>& bytes) {
    Image24 slot = nullptr;
    replaceImage(slot, bytes.data(), static_cast<uint32_t>(bytes.size()));
    Size size;
    if (slot != nullptr) {
        size = {static_cast<int32_t>(FreeImage_GetWidth(slot)),
                static_cast<int32_t>(FreeImage_GetHeight(slot))};
    }
    unloadImage24(slot);
    return size;
}

class SamplePicturesTest : public ::testing::Test {
  protected:
    void SetUp() override { resetViewerState(); }
    void TearDown() override { resetViewerState(); }
};

TEST_F(SamplePicturesTest, EveryConditionHasAnIconTheViewerDecodes) {
    for (int32_t code = sample::firstConditionCode; code <= sample::lastConditionCode; ++code) {
        SCOPED_TRACE(code);
        ASSERT_NE(sample::conditionText(code), nullptr);
        EXPECT_NE(sample::iconOf(code), host::IconKind::Unknown);
        const Size size = decodedSize(host::iconPng(sample::iconOf(code)));
        EXPECT_EQ(size.width, host::iconSize);
        EXPECT_EQ(size.height, host::iconSize);
    }
    EXPECT_EQ(sample::iconOf(0), host::IconKind::Unknown);
    EXPECT_EQ(sample::iconOf(sample::lastConditionCode + 1), host::IconKind::Unknown);
}

TEST_F(SamplePicturesTest, AllMapsDecodeAtTheirSizeAndShareTheHoursStamp) {
    int64_t now = mondayMorning;
    sample::SampleHost host([&now] { return now; }, "http://127.0.0.1:8642");
    for (int32_t region = 0; region < regionCount; ++region) {
        for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
            SCOPED_TRACE(mapImagePath[region][layer]);
            const sample::MapPicture picture = host.map(region, layer);
            ASSERT_TRUE(picture.bytes);
            EXPECT_EQ(picture.hour, mondayMorning / 3600);
            const Size size = decodedSize(*picture.bytes);
            EXPECT_EQ(size.width, 440);
            EXPECT_EQ(size.height, 330);
            const test::JpegFacts facts = test::jpegFacts(*picture.bytes);
            EXPECT_EQ(facts.sampling, (std::vector<uint8_t>{0x11, 0x11, 0x11}));
            EXPECT_GE(facts.quality, 90);
        }
    }
    // Made anew, the same hour's map is the same bytes.
    EXPECT_EQ(sample::mapPicture(Europe, Precipitation, mondayMorning / 3600),
              *host.map(Europe, Precipitation).bytes);
    EXPECT_FALSE(host.map(regionCount, 0).bytes);
    EXPECT_FALSE(host.map(0, mapLayerCount).bytes);
}

TEST_F(SamplePicturesTest, MapsAreMadeOncePerHourAndAnewWithTheNextHour) {
    std::atomic<int64_t> now{mondayMorning};
    sample::SampleHost host([&now] { return now.load(); }, "http://127.0.0.1:8642");
    const sample::MapPicture first = host.map(Europe, Satellite);
    now = mondayMorning + 30 * 60;  // 10:50, the same hour
    const sample::MapPicture later = host.map(Europe, Satellite);
    EXPECT_EQ(later.bytes, first.bytes);  // the cached picture itself
    EXPECT_EQ(later.hour, first.hour);

    now = mondayMorning + 50 * 60;  // 11:10
    const sample::MapPicture next = host.map(Europe, Satellite);
    EXPECT_EQ(next.hour, first.hour + 1);
    ASSERT_TRUE(next.bytes);
    EXPECT_NE(*next.bytes, *first.bytes);  // the clouds have moved
}

class SampleServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetViewerState();
        host.install(server);
        served = std::make_unique<test::ServedServer>(server);
        port = served->port();
    }
    void TearDown() override {
        served.reset();
        resetViewerState();
    }

    httplib::Result get(const std::string& path) { return served->get(path); }

    std::atomic<int64_t> now{mondayMorning};
    sample::SampleHost host{[this] { return now.load(); }, "http://127.0.0.1:1"};
    httplib::Server server;
    std::unique_ptr<test::ServedServer> served;
    int port = -1;
};

TEST_F(SampleServerTest, EveryAnswerCarriesItsTypeAndLength) {
    struct Case {
        std::string path;
        int status;
        const char* type;
    };
    const Case cases[] = {
        {"/forecastrss?p=Paris%20FR&u=c", 200, "application/rss+xml; charset=UTF-8"},
        {"/forecastrss?p=10001&u=f", 200, "application/rss+xml; charset=UTF-8"},
        {"/icons/3.png", 200, "image/png"},
        {"/icons/99.png", 404, "text/plain; charset=UTF-8"},
        {"/images/na_sat_440_mdy_y.jpg", 200, "image/jpeg"},
        {"/images/na_sat_440_mdy_yXjpg", 404, "text/plain; charset=UTF-8"},
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
}

TEST_F(SampleServerTest, TheFeedNamesIconsOnTheHostItWasAskedAt) {
    const httplib::Result result = get("/forecastrss?p=Paris%20FR&u=c");
    ASSERT_TRUE(result);
    const std::string expected = "src=\"http://127.0.0.1:" + std::to_string(port) + "/icons/";
    EXPECT_NE(result->body.find(expected), std::string::npos);
    EXPECT_NE(result->body.find("city=\"Paris\""), std::string::npos);
    EXPECT_NE(result->body.find("temperature=\"C\""), std::string::npos);
}

TEST_F(SampleServerTest, LastModifiedHoldsWithinTheHourAndMovesWithIt) {
    const char* path = "/images/eur_fcsthi_440_mdy_y.jpg";
    const httplib::Result first = get(path);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->get_header_value("Last-Modified"), "Mon, 07 Dec 2026 10:00:00 GMT");

    now = mondayMorning + 39 * 60;  // 10:59
    const httplib::Result same = get(path);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->get_header_value("Last-Modified"), first->get_header_value("Last-Modified"));
    EXPECT_EQ(same->body, first->body);
    // Every map of the hour carries the same time.
    const httplib::Result other = get("/images/afr_precip_440_mdy_y.jpg");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->get_header_value("Last-Modified"), first->get_header_value("Last-Modified"));

    now = mondayMorning + 40 * 60;  // 11:00
    const httplib::Result next = get(path);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->get_header_value("Last-Modified"), "Mon, 07 Dec 2026 11:00:00 GMT");
}

}  // namespace
}  // namespace nubivo

namespace nubivo {
namespace {

void formParis(char* location, size_t size, bool* celsius) {
    copyText(location, size, "Paris FR");
    *celsius = true;
}

// The viewer's whole update against the host: every weather field, the icon and the four
// maps arrive.
TEST_F(SampleServerTest, AFullUpdateFillsEveryFieldTheIconAndTheFourMaps) {
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    setHostsForTesting(base.c_str(), base.c_str());
    windowBridge.readForm = formParis;
    updateWorker();
    windowBridge = WindowBridge{};
    setHostsForTesting(nullptr, nullptr);

    const WeatherReport& w = viewerState.weather;
    for (const char* text :
         {w.city, w.region, w.country, w.tempUnit, w.distanceUnit, w.pressureUnit, w.speedUnit,
          w.sunrise, w.sunset, w.latitude, w.longitude, w.conditionText, w.conditionDate}) {
        EXPECT_STRNE(text, "");
    }
    EXPECT_STREQ(w.city, "Paris");
    EXPECT_STREQ(w.tempUnit, "C");
    EXPECT_GT(w.humidity, 0);
    EXPECT_GT(w.visibility, 0);
    EXPECT_GT(w.pressure, 900.0f);
    EXPECT_GT(w.conditionCode, 0);
    ASSERT_EQ(w.forecastCount, 5);
    for (int32_t i = 0; i < w.forecastCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STRNE(w.forecasts[i].day, "");
        EXPECT_STRNE(w.forecasts[i].text, "");
        EXPECT_LE(w.forecasts[i].low, w.forecasts[i].high);
    }
    ASSERT_NE(viewerState.conditionIcon, nullptr);
    EXPECT_NE(std::string(viewerState.conditionIconUrl).find(base + "/icons/"), std::string::npos);
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        SCOPED_TRACE(layer);
        EXPECT_EQ(viewerState.layerReady[layer].load(), 1);
        ASSERT_NE(viewerState.layerImage[layer], nullptr);
        EXPECT_EQ(FreeImage_GetWidth(viewerState.layerImage[layer]), 440u);
        EXPECT_EQ(FreeImage_GetHeight(viewerState.layerImage[layer]), 330u);
    }
}

}  // namespace
}  // namespace nubivo
