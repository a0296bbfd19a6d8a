// One whole update (feed, icon, four map layers) against the sample host on 127.0.0.1: the
// wall time, and the bytes the client received, counted by a relay between the two. The
// first update finds no stamps; the repeated one finds the pictures unchanged and must skip
// their bodies.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "bench/counting_proxy.h"
#include "images/condition_icon.h"
#include "images/image_download.h"
#include "platform/server_addresses.h"
#include "platform/http.h"
#include "state/viewer_state.h"
#include "state/window_bridge.h"
#include "hosts/sample/sample_server.h"
#include "worker/update_worker.h"

namespace {

// 2026-12-07 11:00 UTC: a fixed hour, so every map keeps its Last-Modified time.
constexpr int64_t fixedNow = 1796641200;

void benchForm(char* location, size_t size, bool* celsius) {
    nubivo::copyText(location, size, "Lyon");
    *celsius = true;
}

// The sample host on a free port, and a counting relay in front of it; made once.
struct HostSetup {
    nubivo::sample::SampleHost host{[] { return fixedNow; }, "http://127.0.0.1:8642"};
    httplib::Server server;
    int port = 0;
    std::thread thread;
    std::unique_ptr<nubivo::bench::CountingProxy> proxy;
    std::string directUrl;
    std::string proxiedUrl;

    HostSetup() {
        host.install(server);
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        // The port listens from bind on, so requests wait in its queue until the loop runs.
        proxy = std::make_unique<nubivo::bench::CountingProxy>(port);
        directUrl = "http://127.0.0.1:" + std::to_string(port);
        proxiedUrl = "http://127.0.0.1:" + std::to_string(proxy->port());

        nubivo::httpGlobalInit();
        nubivo::initImageDecoding();
        nubivo::windowBridge.readForm = benchForm;
        nubivo::windowBridge.requestRepaint = nullptr;
        // The host draws each map on its first request; that is its cost, not the client's.
        nubivo::setHostsForTesting(directUrl.c_str(), directUrl.c_str());
        nubivo::resetViewerState();
        nubivo::updateWorker();
    }
    ~HostSetup() {
        server.stop();
        thread.join();
    }
};

HostSetup& hostSetup() {
    static HostSetup setup;
    return setup;
}

bool isMapRequest(const std::string& requestLine) {
    return requestLine.find("/images/") != std::string::npos;
}

// range(0): 0 first update (no stamps), 1 repeated update (stamps of the pictures served).
// range(1): 0 straight to the host (for the time), 1 through the counting relay (for bytes).
void update(benchmark::State& state) {
    HostSetup& setup = hostSetup();
    const bool repeated = state.range(0) != 0;
    const bool proxied = state.range(1) != 0;
    const std::string& url = proxied ? setup.proxiedUrl : setup.directUrl;
    nubivo::setHostsForTesting(url.c_str(), url.c_str());
    nubivo::setIconDownloadEnabled(true);

    nubivo::resetViewerState();
    nubivo::updateWorker();
    if (proxied) {
        setup.proxy->takeExchanges();
    }

    uint64_t received = 0;
    uint64_t mapBytes = 0;
    uint64_t largestMap = 0;
    uint64_t requests = 0;
    for (auto _ : state) {
        if (!repeated) {
            state.PauseTiming();
            nubivo::resetViewerState();
            state.ResumeTiming();
        }
        nubivo::updateWorker();
        if (proxied) {
            state.PauseTiming();
            for (const auto& exchange : setup.proxy->takeExchanges()) {
                received += exchange.bytesToClient;
                ++requests;
                if (isMapRequest(exchange.requestLine)) {
                    mapBytes += exchange.bytesToClient;
                    largestMap = std::max(largestMap, exchange.bytesToClient);
                }
            }
            state.ResumeTiming();
        }
    }

    int32_t maps = 0;
    for (const nubivo::Image24 image : nubivo::viewerState.layerImage) {
        maps += image != nullptr ? 1 : 0;
    }
    if (maps != nubivo::mapLayerCount || nubivo::viewerState.conditionIcon == nullptr ||
        nubivo::viewerState.weather.forecastCount == 0) {
        state.SkipWithError("the update did not bring the feed, the icon and four maps");
    }
    if (proxied) {
        using benchmark::Counter;
        state.counters["bytes"] = Counter(static_cast<double>(received), Counter::kAvgIterations);
        state.counters["mapBytes"] =
            Counter(static_cast<double>(mapBytes), Counter::kAvgIterations);
        state.counters["largestMap"] = static_cast<double>(largestMap);
        state.counters["requests"] =
            Counter(static_cast<double>(requests), Counter::kAvgIterations);
    }
    nubivo::setHostsForTesting(nullptr, nullptr);
}

}  // namespace

BENCHMARK(update)
    ->Name("update")
    ->ArgNames({"repeated", "counted"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
