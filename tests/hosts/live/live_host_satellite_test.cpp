// The satellite maps of the live host against scripted GIBS and EUMETSAT services: which
// imagery each region shows, the times asked, EUMETSAT's hourly policy, what happens when the
// services fail, and when a map is rebuilt.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "hosts/core/regions.h"
#include "hosts/live/satellite_views.h"
#include "hosts/live/wms.h"
#include "tests/hosts/live/live_host_fixture.h"

namespace nubivo {
namespace {

using test::decoded;
using test::LiveHostTest;
using test::ScriptedUpstream;
using test::ScriptedWms;
using Fault = ScriptedUpstream::Fault;

enum : int32_t { Europe = 0, NorthAmerica = 1, Caribbean = 5, Africa = 7, Satellite = 0 };

const char* const goesEast = "GOES-East_ABI_GeoColor";
const char* const goesWest = "GOES-West_ABI_GeoColor";
const char* const himawari = "Himawari_AHI_Band13_Clean_Infrared";
const char* const meteosat = "mtg_fd:rgb_geocolour";
const char* const indianOcean = "msg_iodc:ir108";
const char* const composite = "VIIRS_NOAA20_CorrectedReflectance_TrueColor";

// A parameter of a request target, as sent.
std::string param(const std::string& target, const std::string& name) {
    const size_t at = target.find(name + "=");
    if (at == std::string::npos)
        return "";
    const size_t end = target.find('&', at);
    return target.substr(at + name.size() + 1,
                         end == std::string::npos ? std::string::npos : end - at - name.size() - 1);
}

// The GetMaps among `targets` from `first` on.
std::vector<std::string> imageryGetMaps(const std::vector<std::string>& targets, size_t first) {
    std::vector<std::string> found;
    for (size_t i = first; i < targets.size(); ++i) {
        if (param(targets[i], "REQUEST") == "GetMap")
            found.push_back(targets[i]);
    }
    return found;
}

TEST_F(LiveHostTest, EveryRegionShowsItsSatellitesOfTheLastTwoHours) {
    upstream.wms.setCloudBand(false);
    start();
    struct Probe {
        double lon, lat;
        const char* layer;
    };
    const std::vector<Probe> probes[8] = {
        {{10, 50, meteosat}, {40, 74.5, composite}},
        {{-128, 45, goesWest}, {-70, 40, goesEast}, {-106, 74.5, composite}},
        {{-60, -20, goesEast}, {-100, 5, goesEast}},
        {{140, 30, himawari}, {62, 30, indianOcean}},
        {{135, -25, himawari}, {178, -3, himawari}},
        {{-70, 15, goesEast}},
        {{50, 25, meteosat}},
        {{-20, 10, meteosat}, {30, -10, meteosat}},
    };
    const int64_t time = now.load();
    for (int32_t region = 0; region < 8; ++region) {
        SCOPED_TRACE(region);
        const size_t gibsBefore = upstream.targets(ScriptedUpstream::Imagery).size();
        const size_t eumetsatBefore = upstream.targets(ScriptedUpstream::Eumetsat).size();
        const live::MapAnswer answer = host->map(region, Satellite);
        ASSERT_EQ(answer.status, 200);
        const host::Canvas picture = decoded(answer);
        const host::GeoBox& box = host::regionBoxes[region];
        for (const Probe& probe : probes[region]) {
            SCOPED_TRACE(probe.layer);
            const host::Point at = host::mapPixel(box, probe.lon, probe.lat);
            const host::Colour c =
                picture.pixel(static_cast<int32_t>(at.x), static_cast<int32_t>(at.y));
            EXPECT_NEAR(c.b, ScriptedWms::pictureBlue(probe.layer), 16);
            EXPECT_NEAR(c.r, ScriptedWms::longitudeRed(probe.lon), 10) << "where it shows";
            EXPECT_NEAR(c.g, ScriptedWms::latitudeGreen(probe.lat), 10);
        }
        // The time in the title and the credit stand on light plates in two corners.
        for (const auto& [x, y] : {std::pair{9, 9}, std::pair{430, 318}})
            EXPECT_GT(std::min({picture.pixel(x, y).r, picture.pixel(x, y).g}), 200);
        // At most one picture per satellite the region gets, and the composite.
        const std::vector<std::string> gibs =
            imageryGetMaps(upstream.targets(ScriptedUpstream::Imagery), gibsBefore);
        const std::vector<std::string> eumetsat =
            imageryGetMaps(upstream.targets(ScriptedUpstream::Eumetsat), eumetsatBefore);
        EXPECT_LE(gibs.size() + eumetsat.size(), live::regionViews(region).satellites.size() + 1);
        for (const std::string& target : gibs) {
            const std::string layer = param(target, "LAYERS");
            if (layer == composite)
                continue;
            EXPECT_FALSE(region == Europe || region == 6 || region == Africa) << target;
            const std::optional<int64_t> asked = live::parseIsoTime(param(target, "TIME"));
            ASSERT_TRUE(asked) << target;
            EXPECT_EQ(*asked % 600, 0);
            EXPECT_LE(*asked, time);
            EXPECT_GT(*asked, time - 7200);
            EXPECT_GE(*asked, upstream.wms.newestHeld(layer, time) - 600) << "within a step";
            EXPECT_EQ(param(target, "VERSION"), "1.1.1");
        }
        for (const std::string& target : eumetsat) {
            EXPECT_EQ(param(target, "TIME"), "2026-12-07T10:00:00Z") << target;
            EXPECT_EQ(param(target, "VERSION"), "1.3.0");
        }
    }
}

// GetMaps sent to EUMETSAT while a viewer asks for Europe and Africa every ten minutes for
// five hours, with the hour's picture held only 30 minutes after it and one hour missing.
TEST_F(LiveHostTest, MeteosatIsAskedForHeldWholeHoursOnceAnHour) {
    upstream.wms.setDelay(meteosat, [](int64_t) { return int64_t{30 * 60}; });
    const int64_t missing = test::mondayMorning - 1200 + 2 * 3600;  // 12:00
    upstream.wms.dropPicture(meteosat, missing);
    start();
    std::map<std::string, std::vector<int64_t>> askedAt;  // by box
    int64_t lastModified[8] = {};
    size_t seen = 0;
    for (int32_t step = 0; step < 30; ++step) {
        for (const int32_t region : {Europe, Africa}) {
            const live::MapAnswer answer = host->map(region, Satellite);
            EXPECT_EQ(answer.status, 200);
            const std::vector<std::string> getMaps =
                imageryGetMaps(upstream.targets(ScriptedUpstream::Eumetsat), seen);
            seen = upstream.targets(ScriptedUpstream::Eumetsat).size();
            for (const std::string& target : getMaps) {
                const int64_t hour = live::parseIsoTime(param(target, "TIME")).value_or(0);
                EXPECT_EQ(hour % 3600, 0) << target;
                EXPECT_LE(hour, now - 1800) << "held already";
                askedAt[param(target, "BBOX")].push_back(now.load());
                // What comes for the missing hour is another hour's picture: the map stays.
                if (hour == missing) {
                    EXPECT_EQ(answer.lastModified, lastModified[region]);
                }
            }
            lastModified[region] = answer.lastModified;
        }
        now += 600;
    }
    ASSERT_EQ(askedAt.size(), 2u);
    for (const auto& [box, times] : askedAt) {
        SCOPED_TRACE(box);
        EXPECT_GE(times.size(), 4u);
        for (size_t i = 1; i < times.size(); ++i)
            EXPECT_GE(times[i] - times[i - 1], 3600);
    }
}

TEST_F(LiveHostTest, WhatIsNoImageryNeverBecomesAMap) {
    const Fault faults[] = {Fault::ServiceException, Fault::Black,  Fault::Garbage,
                            Fault::Undecodable,      Fault::Broken, Fault::Reset};
    int32_t run = 0;
    for (const Fault fault : faults) {
        SCOPED_TRACE(static_cast<int>(fault));
        live::LiveConfig c = config();
        c.cacheFolder = (cacheFolder.path() / std::to_string(run++)).string();
        upstream.setFault(ScriptedUpstream::Imagery, Fault::None);
        upstream.setFault(ScriptedUpstream::Eumetsat, Fault::None);
        start(c);
        const live::MapAnswer good = host->map(NorthAmerica, Satellite);
        ASSERT_EQ(good.status, 200);
        // GIBS fails: North America keeps what it showed; the Caribbean has nothing at all.
        upstream.setFault(ScriptedUpstream::Imagery, fault);
        now += 1800;
        const live::MapAnswer kept = host->map(NorthAmerica, Satellite);
        EXPECT_EQ(*kept.bytes, *good.bytes);
        EXPECT_EQ(kept.lastModified, good.lastModified);
        EXPECT_EQ(host->map(Caribbean, Satellite).status, 503);
        // EUMETSAT fails: Europe, with no Meteosat picture yet, is yesterday's composite.
        upstream.setFault(ScriptedUpstream::Imagery, Fault::None);
        upstream.setFault(ScriptedUpstream::Eumetsat, fault);
        const live::MapAnswer europe = host->map(Europe, Satellite);
        ASSERT_EQ(europe.status, 200);
        const host::Colour middle = decoded(europe).pixel(150, 150);
        EXPECT_NEAR(middle.b, ScriptedWms::pictureBlue(composite), 16);
    }
}

TEST_F(LiveHostTest, ASatelliteMapIsRebuiltAfterItsRefreshWithNewerImagery) {
    struct Case {
        int64_t refresh;
        bool configured;
    };
    for (const Case c : {Case{1200, false}, Case{600, true}}) {
        SCOPED_TRACE(c.refresh);
        live::LiveConfig config = this->config();
        config.cacheFolder = (cacheFolder.path() / std::to_string(c.refresh)).string();
        if (c.configured)
            config.satelliteRefresh = c.refresh;
        EXPECT_EQ(config.satelliteRefresh, c.refresh);
        start(config);
        const live::MapAnswer first = host->map(NorthAmerica, Satellite);
        ASSERT_EQ(first.status, 200);
        const int32_t asked = upstream.requests(ScriptedUpstream::Imagery);
        now += c.refresh - 1;
        EXPECT_EQ(host->map(NorthAmerica, Satellite).lastModified, first.lastModified);
        EXPECT_EQ(upstream.requests(ScriptedUpstream::Imagery), asked);
        now += 1;
        const live::MapAnswer newer = host->map(NorthAmerica, Satellite);
        EXPECT_GT(upstream.requests(ScriptedUpstream::Imagery), asked);
        EXPECT_NE(*newer.bytes, *first.bytes);
        EXPECT_EQ(newer.lastModified, now.load());
    }
}

}  // namespace
}  // namespace nubivo
