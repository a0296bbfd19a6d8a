// The live host's own figures, against the scripted upstream of the tests on this machine:
// a feed from a warm cache, a cold feed with its upstream calls, a map build per layer (the
// forecast maps from the forecast service's grid), and the upstream calls and model bucket
// traffic of a whole day of one viewer pressing Update every ten minutes while switching
// through all eight regions, on a simulated clock. The model's own figures are in
// model_maps_bench.cpp.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "hosts/live/forecast.h"
#include "hosts/live/forecast_grid.h"
#include "hosts/live/gfs_run.h"
#include "hosts/live/imagery.h"
#include "hosts/live/live_host.h"
#include "tests/hosts/live/scripted_bucket.h"
#include "tests/hosts/live/scripted_model.h"
#include "tests/hosts/live/scripted_upstream.h"

namespace nubivo {
namespace {

constexpr int64_t mondayMorning = 1796638800;  // 2026-12-07 10:20:00 UTC

struct Bench {
    Bench() {
        upstream.addPlace({"Paris", "FR", "\xC3\x8Ele-de-France", 48.85341, 2.3488, 2138551, {}});
        for (int32_t i = 0; i < 1000; ++i)
            upstream.addPlace({"Town" + std::to_string(i), "NO", "", 60 + i * 0.001, 10, 1, {}});
    }

    live::LiveConfig config() const {
        live::LiveConfig c;
        c.forecastUrl = upstream.forecastUrl();
        c.geocodingUrl = upstream.geocodingUrl();
        c.imageryUrl = upstream.imageryUrl();
        // No model bucket: the forecast maps come from the forecast service's grid.
        c.gfsUrl = "http://127.0.0.1:" + std::to_string(test::closedPort());
        c.cacheFolder = "";  // memory only: the figures are the host's, not the disk's
        return c;
    }

    std::unique_ptr<live::LiveHost> host() {
        return std::make_unique<live::LiveHost>(config(), [this] { return now.load(); });
    }

    int32_t calls() const {
        return upstream.requests(test::ScriptedUpstream::Forecast) +
               upstream.requests(test::ScriptedUpstream::Geocoding) +
               upstream.requests(test::ScriptedUpstream::Imagery);
    }

    test::ScriptedUpstream upstream;
    std::atomic<int64_t> now{mondayMorning};
};

Bench& bench() {
    static Bench* instance = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return new Bench;
    }();
    return *instance;
}

void WarmFeed(benchmark::State& state) {
    auto host = bench().host();
    host->feed("Paris FR", true, "http://127.0.0.1:8642");
    for (auto _ : state)
        benchmark::DoNotOptimize(host->feed("Paris FR", true, "http://127.0.0.1:8642"));
}
BENCHMARK(WarmFeed)->Unit(benchmark::kMicrosecond);

void ColdFeed(benchmark::State& state) {
    auto host = bench().host();
    const int32_t before = bench().calls();
    int32_t i = 0;
    for (auto _ : state) {
        const live::HostAnswer answer =
            host->feed("Town" + std::to_string(i++ % 1000) + " NO", true, "http://127.0.0.1:8642");
        if (answer.status != 200)
            state.SkipWithError("no feed");
        state.PauseTiming();
        if (i % 1000 == 0)
            host = bench().host();  // every place cold again
        state.ResumeTiming();
    }
    state.counters["upstream_calls_per_feed"] =
        static_cast<double>(bench().calls() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(ColdFeed)->Unit(benchmark::kMillisecond);

// One build of `layer` of Europe from the upstream answer to the painted JPEG (a forecast
// layer's build paints all three forecast maps from one grid).
void MapBuild(benchmark::State& state) {
    const auto layer = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto host = bench().host();
        state.ResumeTiming();
        const live::MapAnswer answer = host->map(0, layer);
        if (answer.status != 200)
            state.SkipWithError("no map");
        state.PauseTiming();
        host.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(MapBuild)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

// The provider counts a request as points times at least one call, and a request of more
// than ten variables as that many tenths of a call more.
double callUnits(const std::string& target) {
    auto countOf = [&target](const std::string& name, char separator) {
        const size_t at = target.find(name + "=");
        if (at == std::string::npos)
            return 0;
        const size_t end = target.find('&', at);
        const std::string value = target.substr(at + name.size() + 1, end - at - name.size() - 1);
        int32_t count = value.empty() ? 0 : 1;
        for (char c : value)
            count += c == separator;
        return count;
    };
    const int32_t points = std::max(1, countOf("latitude", ','));
    const int32_t variables =
        countOf("current", ',') + countOf("hourly", ',') + countOf("daily", ',');
    return points * std::max(1.0, variables / 10.0);
}

// The model's runs as NOAA publishes them during the simulated day, each about four hours
// after its cycle time with the files of the periods it serves, at the model's resolution
// in 4-bit messages (about NOAA's sizes; the values only need to vary).
class PublishedRuns {
  public:
    explicit PublishedRuns(test::ScriptedBucket& bucket) : bucket_(bucket) {}

    void publishUntil(int64_t now) {
        for (; next_ + 4 * 3600 <= now; next_ += live::cycleSeconds) {
            test::ScriptedRun layout;
            layout.run = next_;
            layout.hours = {6, 12, 18, 24, 30, 36};
            layout.columns = 1440;
            layout.bitsPerValue = 4;
            test::putRun(
                bucket_, layout,
                {[](double lat, double, int32_t hour) { return 280 + lat / 10 + hour % 5; },
                 [](double lat, double, int32_t) { return lat > 0 ? 0.5 : 1.0; }});
        }
    }

  private:
    test::ScriptedBucket& bucket_;
    int64_t next_ = live::newestCycle(mondayMorning) - live::cycleSeconds;
};

void DayOfUpdates(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        test::ScriptedUpstream upstream;
        upstream.addPlace({"Paris", "FR", "", 48.85341, 2.3488, 2138551, {}});
        test::ScriptedBucket bucket;
        PublishedRuns runs(bucket);
        std::atomic<int64_t> now{mondayMorning};
        live::LiveConfig c = bench().config();
        c.forecastUrl = upstream.forecastUrl();
        c.geocodingUrl = upstream.geocodingUrl();
        c.imageryUrl = upstream.imageryUrl();
        c.gfsUrl = bucket.url();
        live::LiveHost host(c, [&now] { return now.load(); });
        state.ResumeTiming();
        // 144 presses of Update, ten minutes apart, the region changing at every one.
        for (int32_t press = 0; press < 144; ++press) {
            state.PauseTiming();
            runs.publishUntil(now.load());
            state.ResumeTiming();
            // The stand-in's today follows the clock, so yesterday always has imagery.
            upstream.setToday(live::imageryDay(now.load() + 86400));
            host.feed("Paris FR", true, "http://127.0.0.1:8642");
            for (int32_t layer = 0; layer < 4; ++layer)
                host.map(press % 8, layer);
            now += 600;
        }
        state.PauseTiming();
        double forecastUnits = 0;
        for (const std::string& target : upstream.targets(test::ScriptedUpstream::Forecast))
            forecastUnits += callUnits(target);
        state.counters["forecast_requests"] = upstream.requests(test::ScriptedUpstream::Forecast);
        state.counters["forecast_call_units"] = forecastUnits;
        state.counters["geocoding_requests"] = upstream.requests(test::ScriptedUpstream::Geocoding);
        state.counters["imagery_requests"] = upstream.requests(test::ScriptedUpstream::Imagery);
        state.counters["bucket_requests"] = bucket.requests();
        state.counters["bucket_bytes"] = static_cast<double>(bucket.bytesSent());
        state.counters["share_of_daily_limit_pct"] = forecastUnits / 10000.0 * 100.0;
        state.ResumeTiming();
    }
}
BENCHMARK(DayOfUpdates)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace nubivo

BENCHMARK_MAIN();
