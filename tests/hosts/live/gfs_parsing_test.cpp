#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "hosts/live/gfs_fields.h"
#include "hosts/live/gfs_grid.h"
#include "hosts/live/gfs_inventory.h"
#include "hosts/live/gfs_plan.h"
#include "hosts/live/gfs_run.h"

namespace nubivo {
namespace {

using live::Statistic;

constexpr int64_t run06 = 1796623200;  // 2026-12-07 06:00 UTC, a Monday
constexpr int64_t hour = 3600;

TEST(GfsInventoryTest, TimeRangesGiveTheirWindowInHours) {
    struct Case {
        const char* text;
        Statistic statistic;
        int32_t from, to;
    };
    const Case cases[] = {
        {"0-6 hour max fcst", Statistic::Maximum, 0, 6},
        {"6-7 hour min fcst", Statistic::Minimum, 6, 7},
        {"18-24 hour acc fcst", Statistic::Accumulation, 18, 24},
        {"0-1 day acc fcst", Statistic::Accumulation, 0, 24},
        {"0-2 day acc fcst", Statistic::Accumulation, 0, 48},
        {"0-30 hour acc fcst", Statistic::Accumulation, 0, 30},
        {"6-12 hour ave fcst", Statistic::Average, 6, 12},
        {"12 hour fcst", Statistic::Instant, 12, 12},
        {"anl", Statistic::Instant, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto window = live::parseTimeRange(c.text);
        ASSERT_TRUE(window);
        EXPECT_EQ(window->statistic, c.statistic);
        EXPECT_EQ(window->from, c.from);
        EXPECT_EQ(window->to, c.to);
    }
    for (const char* bad : {"", "6-0 hour max fcst", "6-6 hour max fcst", "0-6 min max fcst",
                            "0-6 hour sum fcst", "x-6 hour max fcst", "0-6 hour max",
                            "0-9999999 hour acc fcst", "-6 hour max fcst", "0-6  hour max fcst"})
        EXPECT_FALSE(live::parseTimeRange(bad)) << bad;
}

TEST(GfsInventoryTest, RecordsEndWhereTheNextOneStarts) {
    const std::string inventory =
        "584:420000000:d=2026083000:TMP:2 m above ground:6 hour fcst:\n"
        "585:420500000:d=2026083000:TMAX:2 m above ground:0-6 hour max fcst:\n"
        "586.1:423312699:d=2026083000:UGRD:10 m above ground:6 hour fcst:\n"
        "586.2:423312699:d=2026083000:VGRD:10 m above ground:6 hour fcst:\r\n"
        "587:424000000:d=2026083000:APCP:surface:0-6 hour acc fcst:ENS=hi res ctl:\n";
    const auto records = live::parseInventory(inventory);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 5u);
    const live::InventoryRecord& tmax = (*records)[1];
    EXPECT_EQ(tmax.number, "585");
    EXPECT_EQ(tmax.offset, 420500000u);
    EXPECT_EQ(tmax.runTime, 1788048000);  // 2026-08-30 00:00 UTC
    EXPECT_EQ(tmax.variable, "TMAX");
    EXPECT_EQ(tmax.level, "2 m above ground");
    EXPECT_EQ(tmax.timeRange, "0-6 hour max fcst");
    EXPECT_EQ((*records)[4].timeRange, "0-6 hour acc fcst");
    // Parts of one message share its bytes; the last record runs to the end of the file.
    const struct {
        size_t index;
        uint64_t first;
        std::optional<uint64_t> last;
    } ranges[] = {{1, 420500000, 423312698},
                  {2, 423312699, 423999999},
                  {3, 423312699, 423999999},
                  {4, 424000000, std::nullopt}};
    for (const auto& range : ranges) {
        const live::ByteRange bytes = live::recordBytes(*records, range.index);
        EXPECT_EQ(bytes.first, range.first) << range.index;
        EXPECT_EQ(bytes.last, range.last) << range.index;
    }
    const char* damaged[] = {
        "",
        "1:100:d=2026083000:TMP:2 m above ground:6 hour fcst:\n"
        "2:50:d=2026083000:TMAX:2 m above ground:0-6 hour max fcst:\n",  // going back
        "1:100:d=2026023000:TMP:2 m above ground:6 hour fcst:\n",        // 30 February
        "1:1e3:d=2026083000:TMP:2 m above ground:6 hour fcst:\n",
        "1:100:d=2026083000:TMP:2 m above ground\n",
        "<?xml version=\"1.0\"?><Error><Code>NoSuchKey</Code></Error>",
    };
    for (const char* text : damaged)
        EXPECT_FALSE(live::parseInventory(text)) << text;
}

// The inventory lines of forecast hour `at` of a run as the model writes them, without the
// records of other fields.
std::vector<live::InventoryRecord> inventoryOf(int64_t run, int32_t at, bool buckets = true,
                                               bool totals = true) {
    std::vector<live::InventoryRecord> records;
    const int32_t mark = (at - 1) / 6 * 6;
    auto add = [&](const char* variable, const char* level, std::string range) {
        records.push_back({std::to_string(records.size() + 1), records.size() * 1000 + 500, run,
                           variable, level, range});
    };
    const std::string window = std::to_string(mark) + "-" + std::to_string(at) + " hour ";
    add("TMP", "2 m above ground", std::to_string(at) + " hour fcst");
    add("TMAX", "2 m above ground", window + "max fcst");
    add("TMIN", "2 m above ground", window + "min fcst");
    if (buckets)
        add("APCP", "surface", window + "acc fcst");
    if (totals) {
        add("APCP", "surface",
            at % 24 == 0 ? "0-" + std::to_string(at / 24) + " day acc fcst"
                         : "0-" + std::to_string(at) + " hour acc fcst");
    }
    return records;
}

TEST(GfsPlanTest, EachFieldComesFromTheFewestRecordsThatCoverExactlyThePeriod) {
    struct Part {
        int32_t hour;
        int32_t from, to;
        int32_t sign;
    };
    struct Case {
        const char* name;
        int64_t period;
        bool buckets, totals;
        std::vector<Part> precipitation;  // by hour
    };
    const Case cases[] = {
        {"a total less a total", run06 + 6 * hour, true, true, {{6, 0, 6, -1}, {30, 0, 30, 1}}},
        {"buckets only",
         run06 + 6 * hour,
         true,
         false,
         {{12, 6, 12, 1}, {18, 12, 18, 1}, {24, 18, 24, 1}, {30, 24, 30, 1}}},
        {"totals only", run06 + 12 * hour, false, true, {{12, 0, 12, -1}, {36, 0, 36, 1}}},
        {"a whole first day", run06, true, true, {{24, 0, 24, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::map<int32_t, std::vector<live::InventoryRecord>> inventories;
        for (const int32_t at : live::periodHours(run06, c.period))
            inventories[at] = at == 0 ? std::vector<live::InventoryRecord>{}
                                      : inventoryOf(run06, at, c.buckets, c.totals);
        const auto plan = live::planPeriod(run06, c.period, inventories);
        ASSERT_TRUE(plan);
        const int32_t first = static_cast<int32_t>((c.period - run06) / hour);
        // Highs and lows: the four 6-hour windows of the period, each once.
        for (int32_t field = 0; field < 2; ++field) {
            ASSERT_EQ(plan->parts[field].size(), 4u);
            for (size_t i = 0; i < 4; ++i) {
                const live::PlannedRecord& record = plan->records[plan->parts[field][i].record];
                EXPECT_EQ(record.field, field);
                EXPECT_EQ(record.window.from, first + 6 * static_cast<int32_t>(i));
                EXPECT_EQ(record.window.to, record.hour);
                EXPECT_EQ(record.window.to - record.window.from, 6);
            }
        }
        std::vector<Part> precipitation;
        for (const live::FieldPart& part : plan->parts[2]) {
            const live::PlannedRecord& record = plan->records[part.record];
            precipitation.push_back({record.hour, record.window.from, record.window.to, part.sign});
        }
        std::sort(precipitation.begin(), precipitation.end(),
                  [](const Part& a, const Part& b) { return a.hour < b.hour; });
        ASSERT_EQ(precipitation.size(), c.precipitation.size());
        for (size_t i = 0; i < precipitation.size(); ++i) {
            EXPECT_EQ(precipitation[i].hour, c.precipitation[i].hour) << i;
            EXPECT_EQ(precipitation[i].from, c.precipitation[i].from) << i;
            EXPECT_EQ(precipitation[i].to, c.precipitation[i].to) << i;
            EXPECT_EQ(precipitation[i].sign, c.precipitation[i].sign) << i;
        }
        // In file order, so that neighbours can share a request.
        for (size_t i = 1; i < plan->records.size(); ++i) {
            EXPECT_LT(std::pair(plan->records[i - 1].hour, plan->records[i - 1].bytes.first),
                      std::pair(plan->records[i].hour, plan->records[i].bytes.first));
        }
    }
    // A window missing, or records of another run, and no plan can be made.
    std::map<int32_t, std::vector<live::InventoryRecord>> inventories;
    for (const int32_t at : {6, 12, 18, 24, 30})
        inventories[at] = inventoryOf(run06, at);
    auto holes = inventories;
    holes[18].erase(holes[18].begin() + 1);  // TMAX 12-18
    EXPECT_FALSE(live::planPeriod(run06, run06 + 6 * hour, holes));
    auto otherRun = inventories;
    otherRun[24] = inventoryOf(run06 - 6 * hour, 24);
    EXPECT_FALSE(live::planPeriod(run06, run06 + 6 * hour, otherRun));
}

TEST(GfsRunTest, ThePeriodStartsAtTheNextCycleAndNamesItsFiles) {
    struct Case {
        int64_t now;
        int64_t period;
        int64_t newest;
        const char* text;
    };
    const Case cases[] = {
        {run06 + 4 * hour + 1200, run06 + 6 * hour, run06, "Mon 7 Dec 12 \xE2\x80\x93 Tue 12 UTC"},
        {run06 + 6 * hour, run06 + 6 * hour, run06 + 6 * hour,
         "Mon 7 Dec 12 \xE2\x80\x93 Tue 12 UTC"},
        {run06 + 17 * hour + 3599, run06 + 18 * hour, run06 + 12 * hour,
         "Tue 8 Dec 00\xE2\x80\x93"
         "24 UTC"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(live::periodStart(c.now), c.period) << c.now;
        EXPECT_EQ(live::newestCycle(c.now), c.newest) << c.now;
        EXPECT_EQ(live::periodText(c.period), c.text) << c.now;
    }
    EXPECT_EQ(live::periodHours(run06, run06 + 6 * hour),
              (std::vector<int32_t>{6, 12, 18, 24, 30}));
    EXPECT_EQ(live::modelFileUrl("https://bucket/", run06, 30),
              "https://bucket/gfs.20261207/06/atmos/gfs.t06z.pgrb2.0p25.f030");
}

// A 1-degree global grid of a smooth field, 100 x latitude + 10 cos(longitude), its rows
// from the north or from the south.
live::LatLonGrid smoothGrid(bool northFirst) {
    live::LatLonGrid grid;
    grid.columns = 360;
    grid.rows = 181;
    grid.firstLatitude = northFirst ? 90 : -90;
    grid.latitudeStep = northFirst ? -1 : 1;
    grid.firstLongitude = 0;
    grid.longitudeStep = 1;
    for (int32_t row = 0; row < grid.rows; ++row) {
        for (int32_t column = 0; column < grid.columns; ++column) {
            const double latitude = grid.firstLatitude + row * grid.latitudeStep;
            grid.values.push_back(100 * latitude + 10 * std::cos(column * M_PI / 180));
        }
    }
    return grid;
}

TEST(GfsGridTest, CropsHoldTheirBoxWholeAcrossZeroAndTheDateLine) {
    const host::GeoBox boxes[] = {{-12, 33, 44, 75}, {110, -50, 180, 2.5}, {-32, -37, 68, 38}};
    for (const bool northFirst : {true, false}) {
        const live::LatLonGrid grid = smoothGrid(northFirst);
        for (const host::GeoBox& box : boxes) {
            SCOPED_TRACE(std::to_string(box.west) + (northFirst ? " north first" : " south first"));
            const live::FieldCrop crop = live::cropField(grid, box, -273.15);
            EXPECT_EQ(crop.west, std::floor(box.west));
            EXPECT_EQ(crop.north, std::ceil(box.north));
            EXPECT_EQ(crop.columns,
                      static_cast<int32_t>(std::ceil(box.east) - std::floor(box.west)) + 1);
            for (const double lon : {box.west, (box.west + box.east) / 2, 0.3, box.east}) {
                for (const double lat : {box.south, box.north - 0.7}) {
                    if (lon < box.west || lon > box.east)
                        continue;
                    EXPECT_NEAR(crop.at(lon, lat),
                                100 * lat + 10 * std::cos(lon * M_PI / 180) - 273.15, 2e-2)
                        << lon << " " << lat;
                }
            }
        }
    }
}

TEST(GfsGridTest, FoldsTakeTheExtremeOrTheSumPointByPoint) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto crop = [](std::vector<float> values) {
        live::FieldCrop c;
        c.columns = 2;
        c.rows = 1;
        c.latitudeStep = c.longitudeStep = 1;
        c.values = std::move(values);
        return c;
    };
    const struct {
        live::Fold fold;
        int32_t sign;
        float first, second;
    } cases[] = {{live::Fold::Maximum, 1, 5, 3},
                 {live::Fold::Minimum, 1, 2, 0},
                 {live::Fold::Sum, 1, 7, 3},
                 {live::Fold::Sum, -1, -3, -3}};
    for (const auto& c : cases) {
        live::FieldCrop into = crop({2, 0});
        ASSERT_TRUE(live::foldCrop(into, crop({5, 3}), c.fold, c.sign));
        EXPECT_EQ(into.values[0], c.first);
        EXPECT_EQ(into.values[1], c.second);
        into = crop({2, nan});
        ASSERT_TRUE(live::foldCrop(into, crop({nan, 3}), c.fold, c.sign));
        EXPECT_TRUE(std::isnan(into.values[0]) && std::isnan(into.values[1]));
    }
    live::FieldCrop into = crop({1, 2});
    live::FieldCrop wider = crop({1, 2, 3});
    wider.columns = 3;
    EXPECT_FALSE(live::foldCrop(into, wider, live::Fold::Sum, 1));
}

TEST(GfsFieldsTest, TheCacheFileReadsBackAndRefusesDamage) {
    live::PeriodFields fields;
    fields.run = run06;
    fields.periodStart = run06 + 6 * hour;
    const live::LatLonGrid grid = smoothGrid(true);
    for (int32_t field = 0; field < live::modelFieldCount; ++field) {
        for (const host::GeoBox& box : host::regionBoxes)
            fields.fields[field].push_back(live::cropField(grid, box, field));
    }
    const std::string bytes = live::fieldsFileBytes(fields);
    const auto read = live::readFieldsFile(bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->run, fields.run);
    EXPECT_EQ(read->periodStart, fields.periodStart);
    EXPECT_EQ(read->fields[2][7].values, fields.fields[2][7].values);
    EXPECT_EQ(read->fields[1][3].west, fields.fields[1][3].west);
    std::string flipped = bytes;
    flipped[flipped.size() / 2] ^= 1;
    std::string shifted = bytes;  // a crop that no longer covers its box
    const size_t west = shifted.find("\"west\":") + 7;
    shifted.replace(west, shifted.find_first_of(",}", west) - west, "5.0");
    for (const std::string& damaged :
         {flipped, bytes.substr(0, bytes.size() - 4), shifted, std::string("{}\n")})
        EXPECT_FALSE(live::readFieldsFile(damaged));
}

}  // namespace
}  // namespace nubivo
