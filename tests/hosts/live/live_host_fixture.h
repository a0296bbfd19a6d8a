#pragma once

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "hosts/core/canvas.h"
#include "hosts/live/live_host.h"
#include "support/feed_scan_fixture.h"
#include "tests/hosts/live/scripted_upstream.h"
#include "tests/locations/location_test_support.h"

namespace nubivo::test {

// 2026-12-07 10:20:00 UTC, a Monday.
inline constexpr int64_t mondayMorning = 1796638800;

// The picture of a map answer; a 1 x 1 picture (and a failure) when there is none.
inline host::Canvas decoded(const live::MapAnswer& answer) {
    host::Canvas picture(1, 1, host::Colour{});
    EXPECT_TRUE(answer.bytes);
    if (answer.bytes) {
        EXPECT_TRUE(host::Canvas::decode(answer.bytes->data(), answer.bytes->size(), host::Colour{},
                                         picture));
    }
    return picture;
}

inline bool near(host::Colour a, host::Colour b, int32_t tolerance = 14) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// A live host in the test process, on a scripted upstream, with its clock in the test's
// hands and its cache in a folder of its own.
class LiveHostTest : public FeedScanTest {
  protected:
    static void SetUpTestSuite() { curl_global_init(CURL_GLOBAL_DEFAULT); }

    void SetUp() override {
        FeedScanTest::SetUp();
        // Made-up places where a form people type could go astray, each filed as the place
        // database files it (Longyearbyen under SJ, not NO), with what the service knows of
        // its region to read a qualifier.
        const test::ScriptedPlace places[] = {
            {"Paris",
             "FR",
             "\xC3\x8Ele-de-France",
             48.85341,
             2.3488,
             2138551,
             {"75001", "75002"},
             "",
             "France"},
            {"Paris", "US", "Texas", 33.66094, -95.55551, 24782, {"75460"}, "TX", "United States"},
            {"Parisot", "FR", "Occitanie", 44.26, 1.86, 400, {}, "", "France"},
            {"Oslo", "NO", "Oslo", 59.91273, 10.74609, 580000, {}, "", "Norway"},
            {"Lake Ha", "US", "Alaska", 61.5, -150.0, 10, {}, "AK", "United States"},
            {"Longyearbyen",
             "SJ",
             "Svalbard",
             78.22334,
             15.64689,
             2060,
             {},
             "",
             "Svalbard and Jan Mayen"},
            {"Berlin",
             "DE",
             "Berlin",
             52.52437,
             13.41053,
             3426354,
             {"10967", "13347"},
             "",
             "Germany"},
            {"Dover", "US", "Delaware", 39.15817, -75.52437, 39403, {}, "DE", "United States"},
            {"Springfield",
             "US",
             "Missouri",
             37.21533,
             -93.29824,
             169176,
             {},
             "MO",
             "United States"},
            {"Springfield",
             "US",
             "Illinois",
             39.80172,
             -89.64371,
             116250,
             {},
             "IL",
             "United States"},
            {"Portland", "US", "Oregon", 45.52345, -122.67621, 652503, {}, "OR", "United States"},
            // No Portland lies in Montenegro (ME): this one makes "Portland ME" ambiguous.
            {"Portland", "ME", "Podgorica", 42.44, 19.26, 100000, {}, "", "Montenegro"},
            {"Portland", "US", "Maine", 43.66147, -70.25533, 66881, {}, "ME", "United States"},
            {"London", "GB", "England", 51.50853, -0.12574, 8961989, {}, "ENG", "United Kingdom"},
            {"London", "CA", "Ontario", 42.98339, -81.23304, 346765, {}, "ON", "Canada"},
            {"St. John's",
             "CA",
             "Newfoundland and Labrador",
             47.56494,
             -52.70931,
             110525,
             {},
             "NL",
             "Canada"},
            {"Enschede", "NL", "Overijssel", 52.21833, 6.89583, 158986, {}, "", "Netherlands"},
            {"Charlottetown",
             "CA",
             "Prince Edward Island",
             46.23525,
             -63.12671,
             36094,
             {},
             "PE",
             "Canada"},
            {"Lima", "PE", "Lima", -12.04318, -77.02824, 7737002, {}, "", "Peru"},
            {"Sydney",
             "AU",
             "New South Wales",
             -33.86785,
             151.20732,
             4627345,
             {},
             "NSW",
             "Australia"},
            {"Clipperton", "", "", 10.30, -109.22, 0, {}, "", ""},
        };
        for (const test::ScriptedPlace& place : places)
            upstream.addPlace(place);
        upstream.wms.setClock([this] { return now.load(); });
    }

    void TearDown() override {
        host.reset();
        FeedScanTest::TearDown();
    }

    // The configuration of the host: the scripted upstream, no model bucket, short upstream
    // limits, the test's folder; waits as the host has them unless a test changes them.
    live::LiveConfig config() {
        live::LiveConfig c;
        c.forecastUrl = upstream.forecastUrl();
        c.geocodingUrl = upstream.geocodingUrl();
        c.imageryUrl = upstream.imageryUrl();
        // No model bucket unless a test sets one up: the forecast maps come from the grid.
        c.gfsUrl = "http://127.0.0.1:" + std::to_string(closedPort());
        c.eumetsatUrl = upstream.eumetsatUrl();
        c.cacheFolder = cacheFolder.path().string();
        c.upstream.connectTimeoutMs = 1000;
        c.upstream.totalTimeoutMs = 2000;
        c.upstream.stallSeconds = 1;
        c.coldWait = std::chrono::milliseconds(3000);
        return c;
    }

    void start(const live::LiveConfig& c) {
        host.reset();
        host = std::make_unique<live::LiveHost>(c, [this] { return now.load(); });
    }
    void start() { start(config()); }

    live::HostAnswer feed(const std::string& location, bool metric = true) {
        return host->feed(location, metric, "http://127.0.0.1:8642");
    }

    // Milliseconds that `work` took.
    template <typename Work>
    static int64_t millisecondsOf(Work work) {
        const auto begin = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - begin)
            .count();
    }

    ScriptedUpstream upstream;
    std::atomic<int64_t> now{mondayMorning};
    TemporaryFolder cacheFolder;
    std::unique_ptr<live::LiveHost> host;
};

}  // namespace nubivo::test
