#include "images/map_layers.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/server_addresses.h"
#include "state/viewer_state.h"
#include "support/image_fixtures.h"
#include "support/local_server.h"

namespace nubivo {
namespace {

constexpr const char* monday = "Mon, 07 Dec 2026 09:00:00 GMT";
constexpr const char* tuesday = "Tue, 08 Dec 2026 09:00:00 GMT";

std::string jpeg(unsigned width) {
    test::Bytes bytes = test::encodeSolid(FIF_JPEG, width, 4);
    return std::string(bytes.begin(), bytes.end());
}

bool stampIsZero(MapLayer layer) {
    SystemTime zero{};
    return std::memcmp(&viewerState.layerStamp[layer], &zero, sizeof zero) == 0;
}

unsigned slotWidth(MapLayer layer) {
    Image24 slot = viewerState.layerImage[layer];
    return slot == nullptr ? 0 : FreeImage_GetWidth(slot);
}

class MapLayersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetViewerState();
        host_ = server_.baseUrl();
        setHostsForTesting(nullptr, host_.c_str());
    }
    void TearDown() override {
        setHostsForTesting(nullptr, nullptr);
        resetViewerState();
    }

    // Serves `body` at the picture path of `region` and `layer`, with a Last-Modified time
    // unless `lastModified` is null.
    void publish(int32_t region, MapLayer layer, std::string body, const char* lastModified) {
        httplib::Headers extra;
        if (lastModified != nullptr) {
            extra.emplace("Last-Modified", lastModified);
        }
        server_.getText(mapImagePath[region][layer], std::move(body), 200, "image/jpeg", extra);
    }

    test::LocalServer server_;
    std::string host_;
};

TEST_F(MapLayersTest, UnchangedTimeReadsNoBodyOnSecondUpdate) {
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        publish(Europe, MapLayer(layer), jpeg(10 + layer), monday);
        fetchMapLayer(MapLayer(layer));
        EXPECT_EQ(slotWidth(MapLayer(layer)), 10u + layer);
        EXPECT_FALSE(stampIsZero(MapLayer(layer)));
    }
    // The second update meets bodies that would take seconds to arrive; reading any of them
    // would show in the server's count of bytes sent.
    const std::string slowBody(512 * 1024, 'x');
    Image24 before[mapLayerCount];
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        SCOPED_TRACE(mapLayerCaptions[layer]);
        const char* path = mapImagePath[Europe][layer];
        server_.getSlowly(path, slowBody, 4096, 20, {{"Last-Modified", monday}});
        before[layer] = viewerState.layerImage[layer];
        fetchMapLayer(MapLayer(layer));
        EXPECT_EQ(server_.requestCount(path), 2u);
        EXPECT_LT(server_.bytesSent(path), slowBody.size());
        EXPECT_EQ(viewerState.layerImage[layer], before[layer]);
    }
}

TEST_F(MapLayersTest, ChangedTimeDownloadsAgain) {
    publish(Europe, Precipitation, jpeg(10), monday);
    fetchMapLayer(Precipitation);
    publish(Europe, Precipitation, jpeg(20), tuesday);
    fetchMapLayer(Precipitation);
    EXPECT_EQ(slotWidth(Precipitation), 20u);
}

TEST_F(MapLayersTest, StampOfAnotherRegionNeverCountsAsEqual) {
    publish(Europe, Satellite, jpeg(10), monday);
    publish(Asia, Satellite, jpeg(30), monday);
    fetchMapLayer(Satellite);
    ASSERT_EQ(slotWidth(Satellite), 10u);

    viewerState.selectedRegion.store(Asia);
    fetchMapLayer(Satellite);
    EXPECT_EQ(slotWidth(Satellite), 30u);
    EXPECT_EQ(viewerState.layerStampRegion[Satellite], Asia);

    viewerState.selectedRegion.store(Europe);
    fetchMapLayer(Satellite);
    EXPECT_EQ(slotWidth(Satellite), 10u);
    EXPECT_EQ(server_.requestCount(mapImagePath[Europe][Satellite]), 2u);
}

TEST_F(MapLayersTest, EmptySlotIsFetchedAgainAtNextUpdate) {
    struct Case {
        const char* name;
        bool served;  // false: nothing answers at the picture's path but a 404
        std::string body;
    };
    const Case cases[] = {
        {"a body that is no picture", true, "<html>busy</html>"},
        {"a picture cut off after 20 bytes", true, jpeg(10).substr(0, 20)},
        {"no picture at that path", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetViewerState();
        publish(Europe, ForecastHigh, jpeg(10), monday);
        fetchMapLayer(ForecastHigh);
        ASSERT_EQ(slotWidth(ForecastHigh), 10u);

        if (c.served) {
            publish(Europe, ForecastHigh, c.body, tuesday);
        } else {
            server_.get(mapImagePath[Europe][ForecastHigh],
                        [](const httplib::Request&, httplib::Response& response) {
                            response.status = 404;
                            response.set_header("Last-Modified", tuesday);
                        });
        }
        fetchMapLayer(ForecastHigh);
        EXPECT_EQ(viewerState.layerImage[ForecastHigh], nullptr);
        EXPECT_TRUE(stampIsZero(ForecastHigh));

        // The server mends the picture but keeps its time: the layer is fetched all the same.
        publish(Europe, ForecastHigh, jpeg(40), tuesday);
        fetchMapLayer(ForecastHigh);
        EXPECT_EQ(slotWidth(ForecastHigh), 40u);
        EXPECT_FALSE(stampIsZero(ForecastHigh));
    }
}

TEST_F(MapLayersTest, FailedRequestEmptiesSlotAndClearsStamp) {
    publish(Europe, ForecastLow, jpeg(10), monday);
    fetchMapLayer(ForecastLow);
    ASSERT_EQ(slotWidth(ForecastLow), 10u);

    std::string closed = "http://127.0.0.1:" + std::to_string(test::closedPort());
    setHostsForTesting(nullptr, closed.c_str());
    fetchMapLayer(ForecastLow);
    EXPECT_EQ(viewerState.layerImage[ForecastLow], nullptr);
    EXPECT_TRUE(stampIsZero(ForecastLow));
}

TEST_F(MapLayersTest, PictureCutShortByABrokenTransferIsFetchedAgain) {
    const std::string whole = test::encodePicture("jpeg", 440, 330, 20, 90, 200);
    server_.get(mapImagePath[Europe][Precipitation], [whole](const httplib::Request&,
                                                             httplib::Response& response) {
        response.set_header("Last-Modified", monday);
        response.set_content_provider(
            whole.size(), "image/jpeg", [whole](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset > 0) {
                    return false;  // the connection breaks after the first half
                }
                sink.write(whole.data(), whole.size() / 2);
                return true;
            });
    });
    fetchMapLayer(Precipitation);
    EXPECT_EQ(slotWidth(Precipitation), 440u);  // what arrived still shows
    EXPECT_TRUE(stampIsZero(Precipitation));

    publish(Europe, Precipitation, whole, monday);
    fetchMapLayer(Precipitation);
    EXPECT_EQ(slotWidth(Precipitation), 440u);
    EXPECT_EQ(server_.requestCount(mapImagePath[Europe][Precipitation]), 2u);
    EXPECT_FALSE(stampIsZero(Precipitation));
}

TEST_F(MapLayersTest, WithoutDateEveryUpdateDownloads) {
    const char* notDates[] = {nullptr, "yesterday", "Mon, 07 Dec 2026"};
    for (const char* text : notDates) {
        SCOPED_TRACE(text == nullptr ? "no Last-Modified" : text);
        resetViewerState();
        const char* path = mapImagePath[Europe][Satellite];
        size_t requestsBefore = server_.requestCount(path);
        publish(Europe, Satellite, jpeg(10), text);
        fetchMapLayer(Satellite);
        EXPECT_EQ(slotWidth(Satellite), 10u);
        EXPECT_TRUE(stampIsZero(Satellite));

        publish(Europe, Satellite, jpeg(20), text);
        fetchMapLayer(Satellite);
        EXPECT_EQ(slotWidth(Satellite), 20u);
        EXPECT_EQ(server_.requestCount(path), requestsBefore + 2);
    }
}

TEST_F(MapLayersTest, RequestsTheRegionsPicturePath) {
    struct Case {
        int32_t region;
        MapLayer layer;
        const char* path;
    };
    const Case cases[] = {
        {Caribbean, Satellite, "/images/carib_websattropir_440_mdy_y.jpg"},
        {NorthAmerica, Satellite, "/images/na_sat_440_mdy_y.jpg"},
        {Europe, Satellite, "/images/eur_satintl_440_mdy_y.jpg"},
        {MiddleEast, Precipitation, "/images/me_precip_440_mdy_y.jpg"},
        {-1, ForecastLow, "/images/eur_fcstlo_440_mdy_y.jpg"},  // no region selected
        {regionCount, ForecastHigh, "/images/eur_fcsthi_440_mdy_y.jpg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        server_.getText(c.path, jpeg(12), 200, "image/jpeg", {{"Last-Modified", monday}});
        viewerState.selectedRegion.store(c.region);
        fetchMapLayer(c.layer);
        test::RecordedRequest request = server_.lastRequest();
        EXPECT_EQ(request.target, c.path);
        EXPECT_EQ(request.userAgent, "Nubivo Weather Viewer");
        EXPECT_EQ(slotWidth(c.layer), 12u);
    }
}

TEST_F(MapLayersTest, AsksPastAnyCache) {
    publish(Europe, Satellite, jpeg(10), monday);
    fetchMapLayer(Satellite);
    const httplib::Headers& headers = server_.lastRequest().headers;
    auto cacheControl = headers.find("Cache-Control");
    ASSERT_NE(cacheControl, headers.end());
    EXPECT_EQ(cacheControl->second, "no-cache");
}

}  // namespace
}  // namespace nubivo
