#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "hosts/core/canvas.h"
#include "hosts/core/regions.h"
#include "hosts/core/weather_map.h"
#include "hosts/live/forecast_maps.h"
#include "hosts/live/gfs_forecast.h"
#include "hosts/live/gfs_inventory.h"
#include "hosts/live/gfs_run.h"
#include "tests/hosts/live/live_host_fixture.h"
#include "tests/hosts/live/scripted_bucket.h"
#include "tests/hosts/live/scripted_model.h"

namespace nubivo {
namespace {

using test::ScriptedUpstream;

constexpr int64_t hour = 3600;
constexpr int64_t run06 = test::mondayMorning - 4 * hour - 1200;  // 2026-12-07 06:00 UTC
constexpr int64_t period12 = run06 + 6 * hour;  // the period of mondayMorning (10:20)
enum : int32_t { Europe = 0, Asia = 3, Australia = 4, High = 1, Low = 2, Precipitation = 3 };

// The weather every scripted run forecasts: within the period (P, P + 24 h] the hourly
// temperature goes round 10 to 16 degrees C (plus a shift for telling runs apart) and
// changes with the place, and 0.5 mm or more of rain falls each hour; outside it, hours
// of 40 and -30 degrees and 5 mm an hour that must never show.
test::ScriptedWeatherModel periodWeather(int64_t run, int64_t period, double shift = 0) {
    auto inside = [run, period](int32_t h) {
        const int64_t t = run + h * hour;
        return t > period && t <= period + live::periodSeconds;
    };
    return {
        [=](double lat, double lon, int32_t h) {
            if (!inside(h))
                return h % 2 ? 313.15 : 243.15;
            return 283.15 + static_cast<double>((run / hour + h) % 7) + lat / 10 +
                   3 * std::cos(lon * M_PI / 180) + shift;
        },
        [=](double lat, double, int32_t h) { return inside(h) ? 0.5 + (lat + 90) / 100 : 5.0; }};
}

// What the period's maximum, minimum and total are at a place under periodWeather.
double expectedHigh(double lat, double lon, double shift = 0) {
    return 16 + lat / 10 + 3 * std::cos(lon * M_PI / 180) + shift;
}
double expectedLow(double lat, double lon, double shift = 0) {
    return expectedHigh(lat, lon, shift) - 6;
}
double expectedTotal(double lat) {
    return 24 * (0.5 + (lat + 90) / 100);
}

class GfsTest : public test::LiveHostTest {
  protected:
    live::LiveConfig gfsConfig() {
        live::LiveConfig c = config();
        c.gfsUrl = bucket->url();
        return c;
    }

    // Puts the files `run` needs for the period that starts at `period`.
    void putRun(int64_t run, int64_t period, double shift = 0, test::ScriptedRun layout = {}) {
        layout.run = run;
        if (layout.hours.empty())
            layout.hours = live::periodHours(run, period);
        test::putRun(*bucket, layout, periodWeather(run, period, shift));
    }

    // The model's fields as the host's forecast part has them now, on its own.
    std::shared_ptr<const live::PeriodFields> modelFields() {
        if (!forecast) {
            forecastConfig = gfsConfig();
            client = std::make_unique<live::UpstreamClient>([this] { return now.load(); });
            disk = std::make_unique<live::DiskCache>(forecastConfig.cacheFolder);
            forecast = std::make_unique<live::GfsForecast>(
                forecastConfig, [this] { return now.load(); }, *client, *disk);
        }
        return forecast->fields();
    }

    // An empty bucket and cache, and no forecast part yet.
    void startOver() {
        forecast.reset();
        bucket = std::make_unique<test::ScriptedBucket>();
        std::filesystem::remove_all(cacheFolder.path());
    }

    std::unique_ptr<test::ScriptedBucket> bucket = std::make_unique<test::ScriptedBucket>();
    live::LiveConfig forecastConfig;
    std::unique_ptr<live::UpstreamClient> client;
    std::unique_ptr<live::DiskCache> disk;
    std::unique_ptr<live::GfsForecast> forecast;
};

TEST_F(GfsTest, TheDaysMaximumMinimumAndTotalAreRightHoweverTheRecordsSplit) {
    struct Case {
        const char* name;
        test::ScriptedRun layout;
    };
    const Case cases[] = {
        {"buckets and totals", {}},
        {"buckets only", {0, {}, 180, true, false, false}},
        {"totals only", {0, {}, 180, false, true, false}},
        {"complex packing", {0, {}, 180, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startOver();
        putRun(run06, period12, 0, c.layout);
        const auto fields = modelFields();
        ASSERT_TRUE(fields);
        EXPECT_EQ(fields->run, run06);
        EXPECT_EQ(fields->periodStart, period12);
        // Places in boxes across 0 degrees, far east and next to 180.
        const struct {
            int32_t region;
            double lon, lat;
        } places[] = {{Europe, -0.5, 51.5},
                      {Europe, 43.9, 33.1},
                      {Asia, 139.7, 35.7},
                      {Australia, 179.9, -40}};
        for (const auto& place : places) {
            const auto at = [&](int32_t field) {
                return fields->fields[field][place.region].at(place.lon, place.lat);
            };
            EXPECT_NEAR(at(0), expectedHigh(place.lat, place.lon), 0.02) << place.lon;
            EXPECT_NEAR(at(1), expectedLow(place.lat, place.lon), 0.02) << place.lon;
            EXPECT_NEAR(at(2), expectedTotal(place.lat), 0.02) << place.lon;
        }
    }
}

TEST_F(GfsTest, TheNewestCompleteRunIsUsed) {
    const int64_t run00 = run06 - 6 * hour;
    const int64_t run18 = run06 - 12 * hour;
    struct Case {
        const char* name;
        int64_t now;
        std::vector<std::pair<int64_t, std::vector<int32_t>>> runs;  // hours left out
        int64_t run;                                                 // 0: none
    };
    const Case cases[] = {
        {"the newest", test::mondayMorning, {{run06, {}}, {run00, {}}}, run06},
        {"the newest lacks its last hour",
         test::mondayMorning,
         {{run06, {30}}, {run00, {}}},
         run00},
        {"the newest lacks an hour", test::mondayMorning, {{run06, {18}}, {run00, {}}}, run00},
        {"two runs missing", test::mondayMorning, {{run18, {}}}, run18},
        {"older than four cycles before the newest",
         test::mondayMorning,
         {{run06 - 30 * hour, {}}},
         0},
        {"at a cycle time, before its run appears", period12, {{run06, {}}}, run06},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startOver();
        now = c.now;
        const int64_t period = live::periodStart(c.now);
        for (const auto& [run, missing] : c.runs) {
            putRun(run, period, static_cast<double>(run - run06) / hour);
            for (const int32_t h : missing)
                bucket->remove(test::modelKey(run, h) + ".idx");
        }
        const auto fields = modelFields();
        if (c.run == 0) {
            EXPECT_FALSE(fields);
            continue;
        }
        ASSERT_TRUE(fields);
        EXPECT_EQ(fields->run, c.run);
        EXPECT_EQ(fields->periodStart, period);
        const double shift = static_cast<double>(c.run - run06) / hour;
        EXPECT_NEAR(fields->fields[0][Europe].at(10, 50), expectedHigh(50, 10, shift), 0.02);
    }
}

TEST_F(GfsTest, OnlyTheNeededBytesAreFetchedAndNothingWhileTheRunIsTheNewest) {
    putRun(run06, period12);
    ASSERT_TRUE(modelFields());
    // Each inventory once, then one Range request per run of neighbouring records:
    // TMAX and TMIN together at four hours, a total at two.
    const std::vector<std::string> asked = bucket->asked();
    int32_t inventories = 0, ranges = 0;
    size_t needed = 0;
    for (const std::string& request : asked) {
        if (request.find(".idx") != std::string::npos) {
            ++inventories;
            needed += bucket->object(request).size();
        } else {
            EXPECT_NE(request.find(" bytes="), std::string::npos) << request;
            ++ranges;
        }
    }
    EXPECT_EQ(inventories, 5);
    EXPECT_EQ(ranges, 6);
    needed +=
        10 * test::gribMessage(live::modelVariables[0], run06, 6, 12, 180, [](double lat, double) {
                 return 280.0 + lat / 10;
             }).size();
    EXPECT_LE(bucket->bytesSent(), needed * 13 / 10);

    now += 5000;  // the same period, after the retry delay: the held run is still the newest
    ASSERT_TRUE(modelFields());
    EXPECT_EQ(bucket->requests(), static_cast<int32_t>(asked.size()));

    // A new period is asked for at once, however lately the bucket was asked.
    test::ScriptedRun lastHour;
    lastHour.hours = {36};
    putRun(run06, period12 + 6 * hour, 0, lastHour);
    now = period12 - 60;
    ASSERT_TRUE(modelFields());
    now = period12 + 60;
    const auto next = modelFields();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->periodStart, period12 + 6 * hour);

    // A bucket that ignores Range is cut off at the record's length.
    bucket->setIgnoresRange(true);
    forecast.reset();
    std::filesystem::remove_all(cacheFolder.path());
    EXPECT_FALSE(modelFields());
    EXPECT_LT(forecast->traffic().bytes, static_cast<int64_t>(needed));
}

host::Canvas decoded(const live::MapAnswer& answer) {
    host::Canvas picture(1, 1, host::Colour{});
    EXPECT_TRUE(answer.bytes && host::Canvas::decode(answer.bytes->data(), answer.bytes->size(),
                                                     host::Colour{}, picture));
    return picture;
}

// The colour of `value` on the map of `layer`, over land, give or take a little.
bool landColourOf(host::Colour seen, live::ForecastLayer layer, double value) {
    const host::Colour expected =
        host::quantityColour(live::quantityOf(layer), value, host::Surface::Land);
    return std::abs(seen.r - expected.r) <= 14 && std::abs(seen.g - expected.g) <= 14 &&
           std::abs(seen.b - expected.b) <= 14;
}

// The map's colour at a place on land in Europe is the colour of `value` there.
void expectColourAt(const live::MapAnswer& map, live::ForecastLayer layer, double lon, double lat,
                    double value) {
    const host::Point at = host::mapPixel(host::regionBoxes[Europe], lon, lat);
    const host::Colour seen =
        decoded(map).pixel(static_cast<int32_t>(at.x), static_cast<int32_t>(at.y));
    EXPECT_TRUE(landColourOf(seen, layer, value)) << lon << " " << lat;
}

TEST_F(GfsTest, ForecastMapsComeFromTheModelAndChangeOnlyWithItsRuns) {
    putRun(run06, period12);
    live::LiveConfig c = gfsConfig();
    c.mapRefresh = 600;
    // Neither the forecast service nor the imagery service is needed for them.
    c.forecastUrl = c.imageryUrl = "http://127.0.0.1:" + std::to_string(test::closedPort());
    start(c);
    live::MapAnswer first[3];
    for (int32_t layer = High; layer <= Precipitation; ++layer) {
        first[layer - 1] = host->map(Europe, layer);
        ASSERT_EQ(first[layer - 1].status, 200) << layer;
    }
    // Away from the outlines, the title and the legend (Bourges, near Moscow).
    for (const auto& [lon, lat] : {std::pair{2.4, 47.1}, {40.0, 55.0}}) {
        expectColourAt(first[0], live::ForecastLayer::High, lon, lat, expectedHigh(lat, lon));
        expectColourAt(first[1], live::ForecastLayer::Low, lon, lat, expectedLow(lat, lon));
        expectColourAt(first[2], live::ForecastLayer::Precipitation, lon, lat, expectedTotal(lat));
    }
    EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 0);

    // Rebuilt from the same run: the same bytes, so the same Last-Modified, and nothing
    // fetched while the run is the newest.
    const int32_t asked = bucket->requests();
    now += 700;
    const live::MapAnswer again = host->map(Europe, High);
    EXPECT_EQ(*again.bytes, *first[0].bytes);
    EXPECT_EQ(again.lastModified, first[0].lastModified);
    EXPECT_EQ(bucket->requests(), asked);

    // The next run replaces them at the next rebuild.
    const int64_t run12 = run06 + 6 * hour;
    now = run12 + 4 * hour + 1800;
    putRun(run12, run12 + 6 * hour, 5);
    const live::MapAnswer next = host->map(Europe, High);
    EXPECT_EQ(next.lastModified, now.load());
    expectColourAt(next, live::ForecastLayer::High, 2.4, 47.1, expectedHigh(47.1, 2.4, 5));
}

TEST_F(GfsTest, AMapKeepsItsLastGoodPictureWhenTheModelCannotBeHad) {
    const int64_t run12 = run06 + 6 * hour;
    const std::string file = test::modelKey(run12, 18);
    const struct {
        const char* name;
        std::function<void(test::ScriptedBucket&)> harm;
    } cases[] = {
        {"a truncated file",
         [&](test::ScriptedBucket& b) { b.put(file, b.object(file).substr(0, 5000)); }},
        {"a damaged message",
         [&](test::ScriptedBucket& b) {
             std::string bytes = b.object(file);
             bytes[3000 + 16 + 21 + 4] = 9;  // the first field's grid section, renumbered
             b.put(file, bytes);
         }},
        {"another field than the inventory says",
         [&](test::ScriptedBucket& b) {
             // TMAX and TMIN (records 2 and 3, of one size) change places in the file.
             const auto records = live::parseInventory(b.object(file + ".idx"));
             const size_t tmax = (*records)[1].offset;
             const size_t size = (*records)[2].offset - tmax;
             std::string bytes = b.object(file);
             const std::string first = bytes.substr(tmax, size);
             bytes.replace(tmax, size, bytes.substr(tmax + size, size));
             bytes.replace(tmax + size, size, first);
             b.put(file, bytes);
         }},
        {"the bucket out of reach", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.reset();
        startOver();
        now = test::mondayMorning;
        putRun(run06, period12);
        live::LiveConfig settings = gfsConfig();
        start(settings);
        const live::MapAnswer good = host->map(Europe, High);
        ASSERT_EQ(good.status, 200);
        now = run12 + 4 * hour + 1800;
        putRun(run12, run12 + 6 * hour, 5);
        if (c.harm) {
            c.harm(*bucket);
        } else {
            settings.gfsUrl = "http://127.0.0.1:" + std::to_string(test::closedPort());
            start(settings);  // a restart, too: the maps on disk are the model's
        }
        const live::MapAnswer kept = host->map(Europe, High);
        ASSERT_EQ(kept.status, 200);
        EXPECT_EQ(*kept.bytes, *good.bytes);
        EXPECT_EQ(kept.lastModified, good.lastModified);
        EXPECT_EQ(upstream.requests(ScriptedUpstream::Forecast), 0) << "no grid instead";
    }
}

TEST(GfsPaintingTest, AFeatureOfOneDegreeShowsWhereItLies) {
    // A quarter-degree field over Europe at 10 degrees C, 25 within one degree square in the
    // middle of France.
    const host::GeoBox& box = host::regionBoxes[Europe];
    live::FieldCrop field;
    field.north = 75;
    field.west = -12;
    field.latitudeStep = field.longitudeStep = 0.25;
    field.columns = 225;
    field.rows = 169;
    for (int32_t row = 0; row < field.rows; ++row) {
        for (int32_t column = 0; column < field.columns; ++column) {
            const double lat = 75 - row * 0.25;
            const double lon = -12 + column * 0.25;
            const bool inside = lat >= 46.5 && lat <= 47.5 && lon >= 2 && lon <= 3;
            field.values.push_back(inside ? 25.0f : 10.0f);
        }
    }
    const host::Canvas map = live::paintModelMap(box, field, live::ForecastLayer::High, period12);
    auto colourAt = [&](double lon, double lat) {
        const host::Point at = host::mapPixel(box, lon, lat);
        return map.pixel(static_cast<int32_t>(at.x), static_cast<int32_t>(at.y));
    };
    for (const auto& [lon, lat] : {std::pair{2.5, 47.0}, {2.2, 47.3}})
        EXPECT_TRUE(landColourOf(colourAt(lon, lat), live::ForecastLayer::High, 25)) << lon;
    for (const auto& [lon, lat] : {std::pair{1.4, 47.0}, {2.5, 48.1}, {3.6, 46.2}})
        EXPECT_TRUE(landColourOf(colourAt(lon, lat), live::ForecastLayer::High, 10)) << lon;
}

}  // namespace
}  // namespace nubivo
