// The parts of the satellite maps on their own: WMS requests and answers, which satellites a
// region gets, the times asked, and how pictures are laid together and captioned.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <set>
#include <string>

#include "hosts/core/regions.h"
#include "hosts/live/imagery.h"
#include "hosts/live/satellite_mosaic.h"
#include "hosts/live/satellite_times.h"
#include "hosts/live/satellite_views.h"
#include "hosts/live/wms.h"
#include "tests/locations/location_test_support.h"

namespace nubivo {
namespace {

using live::Satellite;

constexpr int64_t mondayMorning = 1796638800;  // 2026-12-07 10:20:00 UTC

TEST(WmsTest, RequestsWriteTheBoxInTheVersionsOrder) {
    struct Case {
        live::WmsVersion version;
        const char* part;
    };
    const Case cases[] = {
        {live::WmsVersion::V111,
         "VERSION=1.1.1&REQUEST=GetMap&LAYERS=L&STYLES=&SRS=EPSG:4326"
         "&BBOX=-12,33,44,75&WIDTH=440&HEIGHT=330&FORMAT=image/png"
         "&TRANSPARENT=TRUE&TIME=2026-12-07T10:20:00Z"},
        {live::WmsVersion::V130,
         "VERSION=1.3.0&REQUEST=GetMap&LAYERS=L&STYLES=&CRS=EPSG:4326"
         "&BBOX=33,-12,75,44&WIDTH=440"},
    };
    for (const Case& c : cases) {
        const live::GetMap request{c.version,   "L",  host::regionBoxes[0],
                                   "image/png", true, live::isoTime(mondayMorning)};
        EXPECT_NE(live::getMapUrl("http://h/wms", request).find(c.part), std::string::npos)
            << live::getMapUrl("http://h/wms", request);
    }
    EXPECT_EQ(live::layerCapabilitiesUrl("https://e/geoserver/wms", "mtg_fd:rgb_geocolour"),
              "https://e/geoserver/mtg_fd/rgb_geocolour/wms?SERVICE=WMS&VERSION=1.3.0&REQUEST="
              "GetCapabilities");
}

TEST(WmsTest, TimesAndPeriodsAreReadAsWritten) {
    const std::pair<const char*, std::optional<int64_t>> times[] = {
        {"2026-12-07T10:20:00Z", mondayMorning}, {"2026-12-07T10:20:00.000Z", mondayMorning},
        {"2026-12-07T10:20Z", mondayMorning},    {"2026-12-07", mondayMorning - 37200},
        {"2026-12-07T24:00:00Z", std::nullopt},  {"2026-13-07", std::nullopt},
        {"2026-12-07T10:20:00Zx", std::nullopt}, {"yesterday", std::nullopt},
    };
    for (const auto& [text, seconds] : times)
        EXPECT_EQ(live::parseIsoTime(text), seconds) << text;
    EXPECT_EQ(live::isoTime(mondayMorning), "2026-12-07T10:20:00Z");
    const std::pair<const char*, std::optional<int64_t>> periods[] = {
        {"PT10M", 600},        {"PT15M", 900},       {"PT1H", 3600},        {"P1D", 86400},
        {"P1M", std::nullopt}, {"PT", std::nullopt}, {"10M", std::nullopt},
    };
    for (const auto& [text, seconds] : periods)
        EXPECT_EQ(live::parseIsoPeriod(text), seconds) << text;
}

TEST(WmsTest, ALayersTimesComeFromItsOwnDimension) {
    const std::string capabilities =
        "<WMS_Capabilities><Capability><Layer><Name>top</Name>"
        "<Layer><Name>mtg_fd:rgb_geocolour</Name><Style><Name>raster</Name></Style>"
        "<Dimension name=\"time\" default=\"2026-12-07T10:00:00.000Z\" units=\"ISO8601\">"
        "2026-12-01T00:00:00.000Z/2026-12-07T10:00:00.000Z/PT10M</Dimension></Layer>"
        "<Layer><Name>ir108</Name><Dimension name=\"elevation\">0</Dimension>"
        "<Dimension name='time'>2026-12-07T08:00:00Z,2026-12-07T09:00:00Z</Dimension></Layer>"
        "<Layer><Name>no_time</Name></Layer><Layer><Name>other</Name>"
        "<Dimension name=\"time\">x</Dimension></Layer>"
        "</Layer></Capability></WMS_Capabilities>";
    const auto geocolour = live::layerTimes(capabilities, "mtg_fd:rgb_geocolour");
    ASSERT_TRUE(geocolour);
    EXPECT_EQ(geocolour->newest(), mondayMorning - 1200);
    EXPECT_TRUE(geocolour->holds(mondayMorning - 4800));
    EXPECT_FALSE(geocolour->holds(mondayMorning - 4500)) << "between pictures";
    EXPECT_FALSE(geocolour->holds(mondayMorning)) << "not yet";
    // A layer service names it without its workspace.
    const auto ir = live::layerTimes(capabilities, "msg_iodc:ir108");
    ASSERT_TRUE(ir);
    EXPECT_TRUE(ir->holds(mondayMorning - 4800));
    EXPECT_FALSE(ir->holds(mondayMorning - 1200));
    EXPECT_FALSE(live::layerTimes(capabilities, "x:no_time"));
    EXPECT_FALSE(live::layerTimes(capabilities, "other"));
    EXPECT_FALSE(live::layerTimes(capabilities, "absent"));
}

TEST(WmsTest, AnswersThatAreNoPictureOfTheTimeAsked) {
    struct Case {
        long status;
        const char* type;
        const char* body;
        const char* warning;
        bool picture;
        std::optional<int64_t> nearest;
    };
    const Case cases[] = {
        {200, "image/png", "\x89PNG", "", true, std::nullopt},
        {200, "image/png", "<?xml version='1.0'?><ServiceExceptionReport/>", "", false,
         std::nullopt},
        {200, "application/vnd.ogc.se_xml", "<ServiceExceptionReport/>", "", false, std::nullopt},
        {500, "image/png", "\x89PNG", "", false, std::nullopt},
        {200, "image/png", "\x89PNG", "99 Default value used: time=2026-12-07T10:00:00.000Z", true,
         std::nullopt},
        {200, "image/png", "\x89PNG",
         "99 Nearest value used: time=2026-12-07T09:00:00.000Z ISO8601", true,
         mondayMorning - 4800},
    };
    for (const Case& c : cases) {
        live::UpstreamAnswer answer;
        answer.received = true;
        answer.status = c.status;
        answer.contentType = c.type;
        answer.body = c.body;
        if (*c.warning)
            answer.headers["warning"] = c.warning;
        EXPECT_EQ(live::isPictureAnswer(answer), c.picture) << c.body;
        EXPECT_EQ(live::nearestValueUsed(answer), c.nearest) << c.warning;
    }
}

TEST(SatelliteViewsTest, EachRegionGetsItsSatellites) {
    using S = Satellite;
    struct Case {
        std::set<S> primary;
        std::set<S> standIns;
        bool fill;
    };
    // Europe, North America, South America, Asia, Australia, Caribbean, Middle East, Africa.
    const Case cases[8] = {
        {{S::Meteosat}, {}, true},
        {{S::GoesEast, S::GoesWest}, {}, true},
        {{S::GoesEast}, {S::GoesWest}, true},
        {{S::Himawari, S::MeteosatIndian}, {}, true},
        {{S::Himawari}, {}, false},
        {{S::GoesEast}, {S::GoesWest}, false},
        {{S::Meteosat}, {}, false},
        {{S::Meteosat}, {}, true},
    };
    for (int32_t region = 0; region < 8; ++region) {
        SCOPED_TRACE(region);
        const live::RegionViews& views = live::regionViews(region);
        std::set<S> primary, standIns;
        for (size_t i = 0; i < views.satellites.size(); ++i)
            (views.primary[i] ? primary : standIns).insert(views.satellites[i]);
        EXPECT_EQ(primary, cases[region].primary);
        EXPECT_EQ(standIns, cases[region].standIns);
        EXPECT_EQ(views.needsFill, cases[region].fill);
    }
    EXPECT_NEAR(live::arcFromSatellite(S::Meteosat, 0, 75), 75, 1e-9);
}

// A day of builds against a service that holds a picture `delay` after it was taken: the
// times asked are whole steps within two hours, and, once learned, within a step of the
// newest held, with a blank answer at most about once an hour.
TEST(SatelliteTimesTest, GibsTimesFollowTheNewestHeld) {
    for (const int64_t delay : {int64_t{23 * 60}, int64_t{37 * 60}, int64_t{95 * 60}}) {
        SCOPED_TRACE(delay);
        live::GibsLatency gibs;
        int32_t blanks = 0;
        for (int64_t now = mondayMorning; now < mondayMorning + 86400; now += 600) {
            const live::GibsLatency::Ask ask = gibs.timeToAsk(Satellite::Himawari, now);
            const int64_t newest = (now - delay) / 600 * 600;
            EXPECT_EQ(ask.time % 600, 0);
            EXPECT_LE(ask.time, now);
            EXPECT_GT(ask.time, now - 7200);
            if (now > mondayMorning + 3 * 3600) {
                EXPECT_GE(ask.time, newest - 600) << now - mondayMorning;
            }
            blanks += ask.time > newest;
            gibs.heard(Satellite::Himawari, ask, now, ask.time <= newest);
        }
        EXPECT_LE(blanks, 30);
    }
}

TEST(SatelliteTimesTest, MeteosatIsAskedForWholeHoursOnceAnHour) {
    const std::pair<int64_t, int64_t> hours[] = {
        {mondayMorning, mondayMorning - 1200},
        {mondayMorning - 1, mondayMorning - 4800},
        {mondayMorning - 37200 + 300, mondayMorning - 37200 - 3600},
    };
    for (const auto& [now, hour] : hours)
        EXPECT_EQ(live::eumetsatHour(now), hour) << live::isoTime(now);

    test::TemporaryFolder folder;
    const live::DiskCache cache(folder.path().string());
    {
        live::EumetsatLedger ledger(cache);
        EXPECT_TRUE(ledger.mayAsk(0, Satellite::Meteosat, mondayMorning));
        ledger.asked(0, Satellite::Meteosat, mondayMorning);
        EXPECT_FALSE(ledger.mayAsk(0, Satellite::Meteosat, mondayMorning + 3599));
        EXPECT_TRUE(ledger.mayAsk(7, Satellite::Meteosat, mondayMorning)) << "another region";
    }
    live::EumetsatLedger restarted(cache);
    EXPECT_FALSE(restarted.mayAsk(0, Satellite::Meteosat, mondayMorning + 3599));
    EXPECT_TRUE(restarted.mayAsk(0, Satellite::Meteosat, mondayMorning + 3600));
}

TEST(SatelliteTimesTest, TheCompositeIsYesterdaysFromFourInTheMorning) {
    const int64_t midnight = mondayMorning - 37200;  // 2026-12-07 00:00 UTC
    EXPECT_EQ(live::imageryDay(midnight + 4 * 3600 - 1), "2026-12-05");
    EXPECT_EQ(live::imageryDay(midnight + 4 * 3600), "2026-12-06");
    EXPECT_EQ(live::imageryDay(midnight + 86400 - 1), "2026-12-06");
}

// A picture of the map's size in one colour (alpha 0 for transparent).
live::RgbaPicture plain(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    live::RgbaPicture picture;
    picture.width = host::mapWidth;
    picture.height = host::mapHeight;
    for (int32_t i = 0; i < host::mapWidth * host::mapHeight; ++i)
        picture.pixels.insert(picture.pixels.end(), {r, g, b, a});
    return picture;
}

TEST(SatelliteMosaicTest, TheNearerSatelliteShowsAndTheFillTakesTheRest) {
    const int32_t northAmerica = 1;
    const host::GeoBox& box = host::regionBoxes[northAmerica];
    const live::RegionViews& views = live::regionViews(northAmerica);
    const live::SatellitePicture east{Satellite::GoesEast, mondayMorning, plain(200, 0, 0)};
    const live::SatellitePicture west{Satellite::GoesWest, mondayMorning, plain(0, 0, 200)};
    const live::SatellitePicture blankWest{Satellite::GoesWest, mondayMorning, plain(0, 0, 0, 0)};
    const host::Canvas fill(host::mapWidth, host::mapHeight, host::Colour{0, 200, 0});
    struct Case {
        const live::SatellitePicture* westPicture;
        double lon, lat;
        host::Colour expected;
    };
    const Case cases[] = {
        {&west, -130, 40, {0, 0, 200}},       // GOES-West's side
        {&west, -70, 40, {200, 0, 0}},        // GOES-East's
        {&west, -106.2, 20, {100, 0, 100}},   // the seam, halfway
        {&blankWest, -130, 40, {200, 0, 0}},  // GOES-East stands in where it sees
        {&west, -106.2, 74.9, {0, 200, 0}},   // seen by neither: the fill
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lon);
        live::Mosaic mosaic = live::combine(views, {&east, c.westPicture});
        EXPECT_TRUE(live::needsFill(mosaic));
        live::fillUnder(mosaic, &fill);
        const host::Point at = host::mapPixel(box, c.lon, c.lat);
        const host::Colour got =
            mosaic.canvas.pixel(static_cast<int32_t>(at.x), static_cast<int32_t>(at.y));
        EXPECT_NEAR(got.r, c.expected.r, 12);
        EXPECT_NEAR(got.g, c.expected.g, 12);
        EXPECT_NEAR(got.b, c.expected.b, 12);
        double total = mosaic.fillShare;
        for (const double share : mosaic.share)
            total += share;
        EXPECT_NEAR(total, 1.0, 0.01);
    }
    EXPECT_FALSE(live::needsFill(live::combine(live::regionViews(5), {&east})))
        << "GOES-East sees the whole Caribbean";
}

TEST(SatelliteMosaicTest, APictureEmptyWhereItsSatelliteSeesIsNoImagery) {
    const live::RegionViews& europe = live::regionViews(0);
    live::RgbaPicture cornerOnly = plain(0, 0, 0, 0);
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 400; x < host::mapWidth; ++x)
            std::fill_n(&cornerOnly.pixels[(static_cast<size_t>(y) * host::mapWidth + x) * 4], 4,
                        uint8_t{200});
    }
    const std::pair<live::RgbaPicture, bool> cases[] = {
        {plain(90, 120, 200), true},
        {plain(0, 0, 0, 0), false},
        {plain(5, 5, 5), false},
        {cornerOnly, false},
    };
    for (const auto& [picture, imagery] : cases)
        EXPECT_EQ(live::showsImagery(europe, 0, picture), imagery);
}

TEST(SatelliteMosaicTest, TheCaptionNamesTheTimesAndSourcesShown) {
    using S = Satellite;
    struct Case {
        std::vector<std::pair<S, int64_t>> pictures;  // a share of 0.5 each, in order
        std::vector<double> shares;
        double fill;
        const char* time;
        const char* credit;
    };
    const Case cases[] = {
        {{{S::Meteosat, mondayMorning - 1200}}, {0.9}, 0.1, "10:00 UTC", "EUMETSAT, NASA GIBS"},
        {{{S::GoesEast, mondayMorning}, {S::GoesWest, mondayMorning}},
         {0.5, 0.5},
         0,
         "10:20 UTC",
         "NASA GIBS"},
        {{{S::Himawari, mondayMorning - 600}, {S::MeteosatIndian, mondayMorning - 1200}},
         {0.6, 0.4},
         0,
         "10:00\xE2\x80\x93"
         "10:10 UTC",
         "NASA GIBS, EUMETSAT"},
        {{{S::GoesEast, mondayMorning}, {S::GoesWest, mondayMorning - 7200}},
         {1.0, 0.0},
         0,
         "10:20 UTC",
         "NASA GIBS"},
        {{}, {}, 1.0, "Sun 6 Dec", "NASA GIBS"},
    };
    for (const Case& c : cases) {
        live::Mosaic mosaic;
        std::vector<live::SatellitePicture> pictures;
        for (size_t i = 0; i < c.pictures.size(); ++i) {
            pictures.push_back({c.pictures[i].first, c.pictures[i].second, {}});
            mosaic.share[static_cast<int32_t>(c.pictures[i].first)] = c.shares[i];
        }
        mosaic.fillShare = c.fill;
        const live::Caption caption = live::captionOf(mosaic, pictures, "2026-12-06");
        EXPECT_EQ(caption.time, c.time);
        EXPECT_EQ(caption.credit, c.credit);
    }
}

}  // namespace
}  // namespace nubivo
