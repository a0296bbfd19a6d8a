#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "hosts/core/canvas.h"
#include "hosts/core/regions.h"
#include "hosts/core/weather_map.h"
#include "hosts/live/forecast_grid.h"
#include "hosts/live/map_painting.h"
#include "support/jpeg_facts.h"
#include "tests/hosts/live/live_host_fixture.h"

namespace nubivo {
namespace {

using test::decoded;
using test::LiveHostTest;
using test::near;
using test::ScriptedUpstream;
using Fault = ScriptedUpstream::Fault;

enum : int32_t { Europe = 0, Asia = 3, Satellite = 0, High = 1, Low = 2, Precipitation = 3 };

TEST_F(LiveHostTest, ForecastMapsCarryTheGridsValuesFromOneRequest) {
    upstream.setGrid([](double, double) { return test::GridValues{20.0, -10.0, 7.0}; });
    start();
    const live::MapAnswer high = host->map(Europe, High);
    const live::MapAnswer low = host->map(Europe, Low);
    const live::MapAnswer rain = host->map(Europe, Precipitation);
    ASSERT_EQ(high.status, 200);
    ASSERT_EQ(low.status, 200);
    ASSERT_EQ(rain.status, 200);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 1) << "one grid for three maps";
    const std::string asked = upstream.targets(ScriptedUpstream::Forecast).at(0);
    EXPECT_NE(asked.find("daily=temperature_2m_max,temperature_2m_min,precipitation_sum"),
              std::string::npos);
    EXPECT_NE(asked.find("cell_selection=nearest"), std::string::npos);
    // Away from the outlines, the title and the legend: the colour of the value over the
    // land or the water there (Bay of Biscay, Bourges, near Moscow, Norwegian Sea).
    const live::MapAnswer* answers[] = {&high, &low, &rain};
    const double values[] = {20.0, -10.0, 7.0};
    const auto land = host::landMask(host::regionBoxes[Europe]);
    for (int32_t i = 0; i < 3; ++i) {
        const host::Canvas picture = decoded(*answers[i]);
        const auto layer = static_cast<live::ForecastLayer>(i);
        for (const auto& [lon, lat] : {std::pair{-8.0, 45.0}, std::pair{2.4, 47.1},
                                       std::pair{40.0, 55.0}, std::pair{0.0, 68.0}}) {
            const host::Point p = host::mapPixel(host::regionBoxes[Europe], lon, lat);
            const auto x = static_cast<int32_t>(p.x);
            const auto y = static_cast<int32_t>(p.y);
            const bool onLand = (*land)[static_cast<size_t>(y) * host::mapWidth + x] != 0;
            const host::Colour expected =
                host::quantityColour(live::quantityOf(layer), values[i],
                                     onLand ? host::Surface::Land : host::Surface::Water);
            EXPECT_TRUE(near(picture.pixel(x, y), expected)) << i << " at " << lon << "," << lat;
        }
    }
    EXPECT_NE(*high.bytes, *low.bytes);
}

TEST_F(LiveHostTest, AGridAnswerOfAnotherShapeMakesNoMap) {
    struct Case {
        Fault fault;
        test::GridScript grid;
    };
    start();
    upstream.setFault(ScriptedUpstream::Forecast, Fault::Garbage);
    EXPECT_EQ(host->map(Europe, High).status, 503);
    upstream.setFault(ScriptedUpstream::Forecast, Fault::None);
    // Nothing known at most points: more guess than data.
    upstream.setGrid([](double, double) { return test::GridValues{NAN, NAN, NAN}; });
    now += 3600;
    EXPECT_EQ(host->map(Asia, Low).status, 503);
}

TEST_F(LiveHostTest, LastModifiedMovesOnlyWithTheBytesAndMapsAreRebuiltAtMostEveryRefresh) {
    double high = 20.0;
    upstream.setGrid([&high](double, double) { return test::GridValues{high, 0.0, 0.0}; });
    // Every answer waits for its rebuild, however slow the build (under a sanitizer, on a
    // busy machine): the counts below are of whole rebuilds.
    live::LiveConfig c = config();
    c.staleWait = c.coldWait = std::chrono::seconds(60);
    start(c);
    const live::MapAnswer first = host->map(Europe, High);
    ASSERT_EQ(first.status, 200);
    const int64_t firstTime = now.load();
    now += 10799;
    EXPECT_EQ(host->map(Europe, High).lastModified, firstTime);
    EXPECT_EQ(host->map(Europe, Low).lastModified, firstTime);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 1) << "within the refresh";

    now += 1;  // the rebuild gives the same picture: the same time, so the viewer skips it
    const live::MapAnswer same = host->map(Europe, High);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 2);
    EXPECT_EQ(same.lastModified, firstTime);
    EXPECT_EQ(*same.bytes, *first.bytes);

    high = 30.0;
    now += 10800;
    const live::MapAnswer changed = host->map(Europe, High);
    EXPECT_EQ(changed.lastModified, now.load());
    EXPECT_NE(*changed.bytes, *first.bytes);
    EXPECT_EQ(host->map(Europe, Precipitation).lastModified, firstTime) << "still dry";

    c.mapRefresh = 600;
    start(c);
    now += 601;
    host->map(Europe, High);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 4);
}

TEST_F(LiveHostTest, MapsSurviveARestartWithTheirLastModified) {
    start();
    live::MapAnswer before[4];
    for (int32_t layer = 0; layer < 4; ++layer) {
        before[layer] = host->map(Europe, layer);
        ASSERT_EQ(before[layer].status, 200) << layer;
    }
    live::LiveConfig gone = config();
    gone.forecastUrl = gone.geocodingUrl = gone.imageryUrl = gone.eumetsatUrl =
        "http://127.0.0.1:" + std::to_string(test::closedPort()) + "/x";
    now += 5 * 3600;
    start(gone);
    for (int32_t layer = 0; layer < 4; ++layer) {
        SCOPED_TRACE(layer);
        live::MapAnswer after;
        EXPECT_LT(millisecondsOf([&] { after = host->map(Europe, layer); }), 3000);
        ASSERT_EQ(after.status, 200);
        EXPECT_EQ(*after.bytes, *before[layer].bytes);
        EXPECT_EQ(after.lastModified, before[layer].lastModified);
    }
    // A damaged picture on disk is not served.
    host.reset();
    for (const auto& entry : std::filesystem::directory_iterator(cacheFolder.path() / "maps")) {
        if (entry.path().extension() == ".jpg")
            std::ofstream(entry.path(), std::ios::binary | std::ios::app) << "tail";
    }
    start(gone);
    EXPECT_EQ(host->map(Europe, High).status, 503);
}

TEST_F(LiveHostTest, ForecastMapsDrawTheirOutlinesWithoutTheImageryService) {
    upstream.setFault(ScriptedUpstream::Imagery, Fault::Broken);
    upstream.setGrid([](double, double) { return test::GridValues{20.0, 20.0, 0.0}; });
    start();
    const live::MapAnswer high = host->map(Europe, High);
    ASSERT_EQ(high.status, 200);
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Imagery), 0);
    const test::JpegFacts facts = test::jpegFacts(*high.bytes);
    EXPECT_EQ(facts.sampling, (std::vector<uint8_t>{0x11, 0x11, 0x11}));
    EXPECT_GE(facts.quality, 90);
    // Natural Earth's coastlines, drawn dark over the light field.
    const host::Canvas picture = decoded(high);
    int32_t dark = 0;
    for (int32_t y = host::titleBand; y < 330 - host::footerBand; ++y) {
        for (int32_t x = 0; x < 440; ++x) {
            const host::Colour c = picture.pixel(x, y);
            dark += c.r < 90 && c.g < 90 && c.b < 90;
        }
    }
    EXPECT_GT(dark, 1000);
}

}  // namespace
}  // namespace nubivo
