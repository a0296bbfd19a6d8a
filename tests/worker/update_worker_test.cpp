#include "worker/update_worker.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "images/map_layers.h"
#include "platform/curl_library.h"
#include "platform/freeimage_library.h"
#include "platform/http.h"
#include "platform/server_addresses.h"
#include "state/viewer_state.h"
#include "state/window_bridge.h"
#include "support/image_fixtures.h"
#include "support/local_server.h"

namespace nubivo {
namespace {

using namespace std::chrono_literals;

// The window as the worker sees it: records each repaint request as "map" or "info".
std::mutex recordMutex;
std::vector<std::string> repaints;

void recordRepaint(const Rect& rect) {
    std::lock_guard<std::mutex> guard(recordMutex);
    if (rect.top == mapPanelRect.top && rect.bottom == mapPanelRect.bottom) {
        repaints.push_back("map");
    } else if (rect.top == infoPanelRect.top && rect.bottom == infoPanelRect.bottom) {
        repaints.push_back("info");
    } else {
        repaints.push_back("other");
    }
}

void formOslo(char* location, size_t size, bool* celsius) {
    copyText(location, size, "Oslo");
    *celsius = true;
}

std::vector<std::string> recordedRepaints() {
    std::lock_guard<std::mutex> guard(recordMutex);
    return repaints;
}

// Waits up to 10 s for `done`; the worker's steps take milliseconds on this server.
template <typename Predicate>
bool eventually(Predicate done) {
    for (int i = 0; i < 2000; ++i) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(5ms);
    }
    return done();
}

class UpdateWorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetViewerState();
        {
            std::lock_guard<std::mutex> guard(recordMutex);
            repaints.clear();
        }
        windowBridge.requestRepaint = recordRepaint;
        windowBridge.readForm = formOslo;
        HttpLimits limits;
        limits.connectTimeoutMs = 2000;
        limits.stallSeconds = 5;
        limits.totalTimeoutMs = 10000;
        setHttpLimits(limits);

        base = server.baseUrl();
        setHostsForTesting(base.c_str(), base.c_str());
        serveFeed();
        server.getText("/icons/28.png", test::encodePicture("png", 48, 48, 0, 0, 255), 200,
                       "image/png");
        for (int32_t region = 0; region < regionCount; ++region) {
            for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
                servePicture(mapImagePath[region][layer]);
            }
        }
    }

    void TearDown() override {
        released = true;
        waitForUpdates();
        httpResetCancel();
        setHttpLimits(HttpLimits{});
        setHostsForTesting(nullptr, nullptr);
        windowBridge = WindowBridge{};
        resetViewerState();
    }

    void serveFeed() {
        server.get("/forecastrss", [this](const httplib::Request&, httplib::Response& response) {
            enter();
            response.set_content(feed(), "application/rss+xml");
            leave();
        });
    }

    void servePicture(const std::string& path) {
        server.get(path, [this](const httplib::Request&, httplib::Response& response) {
            enter();
            response.set_header("Last-Modified", "Mon, 07 Dec 2026 10:00:00 GMT");
            response.set_content(picture, "image/jpeg");
            leave();
        });
    }

    // Holds the response of `path` back until `released`.
    void holdBack(const std::string& path) {
        server.get(path, [this](const httplib::Request&, httplib::Response& response) {
            enter();
            while (!released && server.pause(5)) {
            }
            response.set_header("Last-Modified", "Mon, 07 Dec 2026 10:00:00 GMT");
            response.set_content(picture, "image/jpeg");
            leave();
        });
    }

    std::string feed() const {
        return "<rss><channel><nweather:location city=\"Oslo\" region=\"\" country=\"NO\"/>"
               "<nweather:wind chill=\"-4\" direction=\"10\" speed=\"12\"/>"
               "<item><description><![CDATA[<img src=\"" +
               server.url("/icons/28.png") +
               "\"/>]]></description>"
               "<nweather:forecast day=\"Mon\" date=\"7 Dec 2026\" low=\"-6\" high=\"1\"/>"
               "</item></channel></rss>";
    }

    // Counts requests being answered at once, to prove that two updates never overlap.
    void enter() {
        int now = ++inFlight;
        int seen = maxInFlight.load();
        while (now > seen && !maxInFlight.compare_exchange_weak(seen, now)) {
        }
    }
    void leave() { --inFlight; }

    std::vector<std::string> paths() const {
        std::vector<std::string> result;
        for (const test::RecordedRequest& request : server.requests()) {
            result.push_back(request.path);
        }
        return result;
    }

    test::LocalServer server;
    std::string base;
    std::string picture = test::encodePicture("jpeg", 44, 33, 200, 30, 30);
    std::atomic<bool> released{false};
    std::atomic<int> inFlight{0};
    std::atomic<int> maxInFlight{0};
};

TEST_F(UpdateWorkerTest, OneUpdateRepaintsInOrderAndMarksEveryLayer) {
    updateWorker();
    const std::vector<std::string> expected = {"map", "info", "map", "map", "map", "map"};
    EXPECT_EQ(recordedRepaints(), expected);
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        SCOPED_TRACE(layer);
        EXPECT_EQ(viewerState.layerReady[layer].load(), 1);
        ASSERT_NE(viewerState.layerImage[layer], nullptr);
        EXPECT_EQ(FreeImage_GetWidth(viewerState.layerImage[layer]), 44u);
    }
    ASSERT_NE(viewerState.conditionIcon, nullptr);
    EXPECT_STREQ(viewerState.weather.city, "Oslo");
    EXPECT_EQ(viewerState.weather.windChill, -4);
    const std::vector<std::string> order = {"/forecastrss",
                                            "/icons/28.png",
                                            mapImagePath[Europe][Satellite],
                                            mapImagePath[Europe][ForecastHigh],
                                            mapImagePath[Europe][ForecastLow],
                                            mapImagePath[Europe][Precipitation]};
    EXPECT_EQ(paths(), order);
}

TEST_F(UpdateWorkerTest, LayerFlagStaysClearWhileItsPictureIsHeldBack) {
    const std::string held = mapImagePath[Europe][ForecastLow];
    holdBack(held);
    startUpdate();
    ASSERT_TRUE(eventually([&] { return server.requestCount(held) == 1; }));
    EXPECT_EQ(viewerState.layerReady[Satellite].load(), 1);
    EXPECT_EQ(viewerState.layerReady[ForecastHigh].load(), 1);
    EXPECT_EQ(viewerState.layerReady[ForecastLow].load(), 0);
    EXPECT_EQ(viewerState.layerReady[Precipitation].load(), 0);
    released = true;
    waitForUpdates();
    EXPECT_EQ(viewerState.layerReady[ForecastLow].load(), 1);
    EXPECT_EQ(viewerState.layerReady[Precipitation].load(), 1);
}

TEST_F(UpdateWorkerTest, RegionChosenDuringAnUpdateServesOnlyTheLaterLayers) {
    server.get(mapImagePath[Europe][ForecastHigh],
               [this](const httplib::Request&, httplib::Response& response) {
                   viewerState.selectedRegion.store(Asia);
                   response.set_header("Last-Modified", "Mon, 07 Dec 2026 10:00:00 GMT");
                   response.set_content(picture, "image/jpeg");
               });
    updateWorker();
    const std::vector<std::string> order = {"/forecastrss",
                                            "/icons/28.png",
                                            mapImagePath[Europe][Satellite],
                                            mapImagePath[Europe][ForecastHigh],
                                            mapImagePath[Asia][ForecastLow],
                                            mapImagePath[Asia][Precipitation]};
    EXPECT_EQ(paths(), order);
}

TEST_F(UpdateWorkerTest, FailedFeedDoesNotStopTheLayers) {
    const std::string closed = "http://127.0.0.1:" + std::to_string(test::closedPort());
    setHostsForTesting(closed.c_str(), base.c_str());
    copyText(viewerState.weather.city, "Before");
    updateWorker();
    EXPECT_STREQ(viewerState.weather.city, "Before");
    EXPECT_EQ(viewerState.weather.forecastCount, 0);
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        SCOPED_TRACE(layer);
        EXPECT_EQ(viewerState.layerReady[layer].load(), 1);
        EXPECT_NE(viewerState.layerImage[layer], nullptr);
    }
}

TEST_F(UpdateWorkerTest, WithoutAnyNetworkEveryStepStillRuns) {
    const std::string closed = "http://127.0.0.1:" + std::to_string(test::closedPort());
    setHostsForTesting(closed.c_str(), closed.c_str());
    updateWorker();
    EXPECT_EQ(recordedRepaints().size(), 6u);
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        SCOPED_TRACE(layer);
        EXPECT_EQ(viewerState.layerReady[layer].load(), 1);
        EXPECT_EQ(viewerState.layerImage[layer], nullptr);
    }
    EXPECT_EQ(viewerState.conditionIcon, nullptr);
}

// Two updates while a library cannot be loaded; returns what was said on standard error.
template <typename Reopen>
std::string twoUpdatesWithout(Reopen reopen, const char* soname) {
    reopen(soname);
    testing::internal::CaptureStderr();
    updateWorker();
    updateWorker();
    std::string said = testing::internal::GetCapturedStderr();
    reopen(nullptr);
    return said;
}

// One line naming the library, however many updates met its absence.
void expectSaidOnce(const std::string& said, const char* soname) {
    EXPECT_NE(said.find(std::string("cannot load ") + soname), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

TEST_F(UpdateWorkerTest, WithoutLibcurlAnUpdateRunsAsWithoutNetwork) {
    copyText(viewerState.weather.city, "Before");
    const char* absent = "libnubivo-absent-curl.so.4";
    std::string said = twoUpdatesWithout(reopenCurlLibraryForTesting, absent);
    expectSaidOnce(said, absent);
    EXPECT_NE(said.find("the weather cannot be fetched"), std::string::npos) << said;
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_STREQ(viewerState.weather.city, "Before");
    EXPECT_EQ(recordedRepaints().size(), 12u);
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        SCOPED_TRACE(layer);
        EXPECT_EQ(viewerState.layerReady[layer].load(), 1);
        EXPECT_EQ(viewerState.layerImage[layer], nullptr);
    }
    EXPECT_EQ(viewerState.conditionIcon, nullptr);

    // With the library back, the next update works as ever.
    updateWorker();
    EXPECT_STREQ(viewerState.weather.city, "Oslo");
    EXPECT_NE(viewerState.layerImage[Satellite], nullptr);
}

TEST_F(UpdateWorkerTest, WithoutFreeImageTheSlotsStayEmptyAndAreFetchedAgain) {
    const char* absent = "libnubivo-absent-freeimage.so.3";
    std::string said = twoUpdatesWithout(reopenFreeImageLibraryForTesting, absent);
    expectSaidOnce(said, absent);
    EXPECT_NE(said.find("no pictures can be shown"), std::string::npos) << said;
    EXPECT_STREQ(viewerState.weather.city, "Oslo");
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        SCOPED_TRACE(layer);
        EXPECT_EQ(viewerState.layerReady[layer].load(), 1);
        EXPECT_EQ(viewerState.layerImage[layer], nullptr);
        // An empty slot keeps no stamp, so the second update asked for the picture again.
        EXPECT_EQ(server.requestCount(mapImagePath[Europe][layer]), 2u);
    }
    EXPECT_EQ(viewerState.conditionIcon, nullptr);
}

TEST_F(UpdateWorkerTest, PreparingLoadsTheLibrariesWithoutAnyRequest) {
    reopenCurlLibraryForTesting(nullptr);  // forgets a load by an earlier test in this process
    ASSERT_EQ(loadedCurlLibrary(), nullptr);
    prepareUpdates();
    waitForUpdates();
    EXPECT_NE(loadedCurlLibrary(), nullptr);
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_TRUE(recordedRepaints().empty());
}

TEST_F(UpdateWorkerTest, UpdatePressedWhilePreparingRunsOnceAfterIt) {
    reopenCurlLibraryForTesting(nullptr);
    prepareUpdates();
    startUpdate();
    waitForUpdates();
    EXPECT_NE(loadedCurlLibrary(), nullptr);
    EXPECT_EQ(server.requestCount("/forecastrss"), 1u);
    EXPECT_EQ(recordedRepaints().size(), 6u);
    EXPECT_NE(viewerState.layerImage[Precipitation], nullptr);

    // With the libraries in, preparing again asks the server for nothing.
    prepareUpdates();
    waitForUpdates();
    EXPECT_EQ(server.requestCount(), 6u);
}

TEST_F(UpdateWorkerTest, TwoQuickPressesRunTwoUpdatesOneAfterTheOther) {
    server.get("/forecastrss", [this](const httplib::Request&, httplib::Response& response) {
        enter();
        server.pause(50);
        response.set_content(feed(), "application/rss+xml");
        leave();
    });
    startUpdate();
    startUpdate();
    waitForUpdates();
    EXPECT_EQ(server.requestCount("/forecastrss"), 2u);
    EXPECT_EQ(maxInFlight.load(), 1);
    const std::vector<std::string> seen = paths();
    ASSERT_EQ(seen.size(), 12u);
    EXPECT_EQ(seen[6], "/forecastrss");  // the second update starts after the first's last layer
    EXPECT_EQ(recordedRepaints().size(), 12u);
}

TEST_F(UpdateWorkerTest, PressesDuringAnUpdateFoldIntoOneMore) {
    server.get("/forecastrss", [this](const httplib::Request&, httplib::Response& response) {
        enter();
        while (!released && server.pause(5)) {
        }
        response.set_content(feed(), "application/rss+xml");
        leave();
    });
    startUpdate();
    ASSERT_TRUE(eventually([&] { return server.requestCount("/forecastrss") == 1; }));
    for (int i = 0; i < 5; ++i) {
        startUpdate();
    }
    released = true;
    waitForUpdates();
    EXPECT_EQ(server.requestCount("/forecastrss"), 2u);
    EXPECT_EQ(maxInFlight.load(), 1);
}

TEST_F(UpdateWorkerTest, PainterReadingUnderTheLockDuringUpdates) {
    std::atomic<bool> stop{false};
    std::atomic<long> paints{0};
    std::thread painter([&] {
        while (!stop) {
            std::lock_guard guard(viewerState.stateLock);
            WeatherReport copy = viewerState.weather;
            unsigned pixels = 0;
            for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
                if (viewerState.layerReady[layer].load(std::memory_order_acquire) != 0 &&
                    viewerState.layerImage[layer] != nullptr) {
                    pixels += FreeImage_GetWidth(viewerState.layerImage[layer]);
                }
            }
            if (viewerState.conditionIcon != nullptr) {
                pixels += FreeImage_GetHeight(viewerState.conditionIcon);
            }
            paints += 1 + (copy.forecastCount > 7 ? 1 : 0) + (pixels > 1000000 ? 1 : 0);
        }
    });
    for (int i = 0; i < 3; ++i) {
        startUpdate();
        waitForUpdates();
    }
    stop = true;
    painter.join();
    EXPECT_GT(paints.load(), 0);
    EXPECT_EQ(viewerState.weather.forecastCount, 1);
}

TEST_F(UpdateWorkerTest, ShutdownDuringAStalledDownloadEndsTheWorkerQuickly) {
    test::SilentListener silent;
    const std::string stalled = silent.baseUrl();
    setHostsForTesting(base.c_str(), stalled.c_str());
    startUpdate();
    ASSERT_TRUE(eventually([&] { return server.requestCount("/icons/28.png") == 1; }));
    std::this_thread::sleep_for(50ms);  // let the first layer's request hang
    const auto start = std::chrono::steady_clock::now();
    const bool ended = stopUpdates();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(ended);
    EXPECT_LT(took, 1s) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
                        << " ms";
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        EXPECT_EQ(viewerState.layerReady[layer].load(), 1);
    }
}

}  // namespace
}  // namespace nubivo
