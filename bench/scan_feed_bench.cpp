// The feed scanner's throughput on a feed of the size the request reads (4 KiB) and on one
// sixteen times as large, with the icon's URL taken but no icon downloaded.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench/bench_feeds.h"
#include "feed/scan_feed.h"
#include "images/condition_icon.h"
#include "state/viewer_state.h"

namespace {

void scanFeedThroughput(benchmark::State& state) {
    const std::string feed = nubivo::bench::benchFeed(static_cast<size_t>(state.range(0)));
    nubivo::resetViewerState();
    nubivo::setIconDownloadEnabled(false);
    for (auto _ : state) {
        nubivo::scanFeed(feed.data(), static_cast<int32_t>(feed.size()));
        benchmark::DoNotOptimize(nubivo::viewerState.weather.forecastCount);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(feed.size()));
    // A scan that found nothing would be fast for the wrong reason.
    if (nubivo::viewerState.weather.forecastCount < 5 ||
        nubivo::viewerState.weather.windSpeed != 19) {
        state.SkipWithError("the feed was not scanned as written");
    }
    nubivo::setIconDownloadEnabled(true);
}

}  // namespace

BENCHMARK(scanFeedThroughput)->Name("scanFeed")->Arg(4 * 1024)->Arg(64 * 1024);
