#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "hosts/core/canvas.h"
#include "hosts/live/forecast_grid.h"
#include "hosts/live/map_painting.h"
#include "hosts/live/regions.h"
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
    // Away from the outlines, the title and the legend: the colour of the value.
    const std::pair<live::ForecastLayer, const live::MapAnswer*> layers[] = {
        {live::ForecastLayer::High, &high},
        {live::ForecastLayer::Low, &low},
        {live::ForecastLayer::Precipitation, &rain}};
    const double values[] = {20.0, -10.0, 7.0};
    for (size_t i = 0; i < 3; ++i) {
        const host::Canvas picture = decoded(*layers[i].second);
        const host::Colour expected = live::forecastColour(layers[i].first, values[i]);
        for (const auto& [x, y] : {std::pair{300, 200}, std::pair{80, 160}, std::pair{400, 60}})
            EXPECT_TRUE(near(picture.pixel(x, y), expected)) << i << " at " << x << "," << y;
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
    start();
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

    live::LiveConfig c = config();
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

TEST_F(LiveHostTest, ForecastMapsFallBackToTheHostsOwnCoastlines) {
    upstream.setFault(ScriptedUpstream::Imagery, Fault::Broken);
    upstream.setGrid([](double, double) { return test::GridValues{20.0, 20.0, 0.0}; });
    start();
    const live::MapAnswer high = host->map(Europe, High);
    ASSERT_EQ(high.status, 200);
    const host::Canvas picture = decoded(high);
    // Somewhere on the Bay of Biscay's coast the outline is drawn dark.
    int32_t dark = 0;
    for (int32_t y = 0; y < 330; ++y) {
        for (int32_t x = 0; x < 440; ++x) {
            const host::Colour c = picture.pixel(x, y);
            dark += c.r < 90 && c.g < 90 && c.b < 90;
        }
    }
    EXPECT_GT(dark, 300);
}

}  // namespace
}  // namespace nubivo
