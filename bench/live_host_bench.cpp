// The live host's own figures, against the scripted upstream of the tests on this machine:
// a feed from a warm cache, a cold feed with its upstream calls, a map build per layer (the
// forecast maps from the forecast service's grid), a satellite map painted from pictures
// already fetched, and the upstream requests and model bucket traffic of a whole day of one
// viewer pressing Update every ten minutes while switching through all eight regions, on a
// simulated clock. The model's own figures are in model_maps_bench.cpp.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <httplib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hosts/core/regions.h"
#include "hosts/live/forecast.h"
#include "hosts/live/forecast_grid.h"
#include "hosts/live/gfs_run.h"
#include "hosts/live/imagery.h"
#include "hosts/live/live_host.h"
#include "hosts/live/satellite_mosaic.h"
#include "hosts/live/wms.h"
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
        upstream.wms.setClock([this] { return now.load(); });
    }

    live::LiveConfig config() const {
        live::LiveConfig c;
        c.forecastUrl = upstream.forecastUrl();
        c.geocodingUrl = upstream.geocodingUrl();
        c.imageryUrl = upstream.imageryUrl();
        // No model bucket: the forecast maps come from the forecast service's grid.
        c.gfsUrl = "http://127.0.0.1:" + std::to_string(test::closedPort());
        c.eumetsatUrl = upstream.eumetsatUrl();
        c.cacheFolder = "";  // memory only: the figures are the host's, not the disk's
        return c;
    }

    std::unique_ptr<live::LiveHost> host() {
        return std::make_unique<live::LiveHost>(config(), [this] { return now.load(); });
    }

    int32_t calls() const {
        return upstream.requests(test::ScriptedUpstream::Forecast) +
               upstream.requests(test::ScriptedUpstream::Geocoding) +
               upstream.requests(test::ScriptedUpstream::Imagery) +
               upstream.requests(test::ScriptedUpstream::Eumetsat);
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

// North America's satellite map (two satellites and the composite) painted from pictures
// already fetched: decoded, laid together, finished and encoded.
void SatelliteMapFromPictures(benchmark::State& state) {
    const int32_t region = 1;
    const host::GeoBox& box = host::regionBoxes[region];
    const std::string base = bench().upstream.imageryUrl();
    const int64_t taken = (bench().now.load() - 3600) / 600 * 600;
    auto fetch = [&](const char* layer, const char* format, const std::string& time) {
        httplib::Client client(base.substr(0, base.find('/', 8)));
        const live::GetMap request{
            live::WmsVersion::V111, layer, box, format, std::string(format) == "image/png", time};
        const std::string url = live::getMapUrl(base, request);
        const httplib::Result result = client.Get(url.substr(url.find('/', 8)));
        return result ? result->body : std::string();
    };
    const std::string east = fetch("GOES-East_ABI_GeoColor", "image/png", live::isoTime(taken));
    const std::string west = fetch("GOES-West_ABI_GeoColor", "image/png", live::isoTime(taken));
    const std::string composite =
        fetch("VIIRS_NOAA20_CorrectedReflectance_TrueColor", "image/jpeg", "2026-12-05");
    for (auto _ : state) {
        std::vector<live::SatellitePicture> pictures;
        for (const auto& [satellite, bytes] :
             {std::pair{live::Satellite::GoesEast, &east}, {live::Satellite::GoesWest, &west}}) {
            std::optional<live::RgbaPicture> picture =
                live::decodeRgba(*bytes, host::mapWidth, host::mapHeight);
            if (!picture) {
                state.SkipWithError("no picture");
                return;
            }
            pictures.push_back({satellite, taken, std::move(*picture)});
        }
        std::vector<const live::SatellitePicture*> parts;
        for (const live::SatellitePicture& picture : pictures)
            parts.push_back(&picture);
        live::Mosaic mosaic = live::combine(live::regionViews(region), parts);
        host::Canvas fill(1, 1, host::Colour{});
        if (live::needsFill(mosaic) &&
            !host::Canvas::decode(reinterpret_cast<const uint8_t*>(composite.data()),
                                  composite.size(), host::Colour{}, fill)) {
            state.SkipWithError("no composite");
            return;
        }
        benchmark::DoNotOptimize(live::finishMosaic(mosaic, box, pictures, &fill, "2026-12-05"));
    }
}
BENCHMARK(SatelliteMapFromPictures)->Unit(benchmark::kMillisecond);

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
        upstream.wms.setClock([&now] { return now.load(); });
        live::LiveConfig c = bench().config();
        c.forecastUrl = upstream.forecastUrl();
        c.geocodingUrl = upstream.geocodingUrl();
        c.imageryUrl = upstream.imageryUrl();
        c.gfsUrl = bucket.url();
        c.eumetsatUrl = upstream.eumetsatUrl();
        live::LiveHost host(c, [&now] { return now.load(); });
        // Satellite builds that asked for more pictures than their satellites and the
        // composite, and Meteosat pictures asked twice within an hour for one region.
        int32_t overBudget = 0;
        int32_t withinAnHour = 0;
        std::map<std::string, int64_t> meteosatAsked;
        state.ResumeTiming();
        // 144 presses of Update, ten minutes apart, the region changing at every one.
        for (int32_t press = 0; press < 144; ++press) {
            state.PauseTiming();
            runs.publishUntil(now.load());
            state.ResumeTiming();
            const int32_t region = press % 8;
            // The stand-in's today follows the clock, so yesterday always has imagery.
            upstream.setToday(live::imageryDay(now.load() + 86400));
            host.feed("Paris FR", true, "http://127.0.0.1:8642");
            const size_t gibsBefore = upstream.targets(test::ScriptedUpstream::Imagery).size();
            const size_t eumetsatBefore = upstream.targets(test::ScriptedUpstream::Eumetsat).size();
            for (int32_t layer = 0; layer < 4; ++layer)
                host.map(region, layer);
            state.PauseTiming();
            size_t pictures = 0;
            for (const auto& [endpoint, first] :
                 {std::pair{test::ScriptedUpstream::Imagery, gibsBefore},
                  {test::ScriptedUpstream::Eumetsat, eumetsatBefore}}) {
                const std::vector<std::string> targets = upstream.targets(endpoint);
                for (size_t i = first; i < targets.size(); ++i) {
                    const std::string& target = targets[i];
                    if (target.find("REQUEST=GetMap") == std::string::npos)
                        continue;
                    ++pictures;
                    if (endpoint == test::ScriptedUpstream::Eumetsat) {
                        const std::string key = target.substr(target.find("LAYERS="));
                        const auto last = meteosatAsked.find(key);
                        withinAnHour += last != meteosatAsked.end() && now - last->second < 3600;
                        meteosatAsked[key] = now.load();
                    }
                }
            }
            overBudget += pictures > live::regionViews(region).satellites.size() + 1;
            state.ResumeTiming();
            now += 600;
        }
        state.PauseTiming();
        int32_t composites = 0, capabilities = 0;
        for (const std::string& target : upstream.targets(test::ScriptedUpstream::Imagery))
            composites += target.find("VIIRS") != std::string::npos;
        for (const std::string& target : upstream.targets(test::ScriptedUpstream::Eumetsat))
            capabilities += target.find("GetCapabilities") != std::string::npos;
        const int32_t gibs = upstream.requests(test::ScriptedUpstream::Imagery);
        const int32_t eumetsat = upstream.requests(test::ScriptedUpstream::Eumetsat);
        state.counters["gibs_geostationary_requests"] = gibs - composites;
        state.counters["gibs_composite_requests"] = composites;
        state.counters["eumetsat_map_requests"] = eumetsat - capabilities;
        state.counters["eumetsat_capabilities_requests"] = capabilities;
        state.counters["satellite_builds_over_budget"] = overBudget;
        state.counters["meteosat_asked_twice_within_an_hour"] = withinAnHour;
        double forecastUnits = 0;
        for (const std::string& target : upstream.targets(test::ScriptedUpstream::Forecast))
            forecastUnits += callUnits(target);
        state.counters["forecast_requests"] = upstream.requests(test::ScriptedUpstream::Forecast);
        state.counters["forecast_call_units"] = forecastUnits;
        state.counters["geocoding_requests"] = upstream.requests(test::ScriptedUpstream::Geocoding);
        state.counters["imagery_requests"] = gibs;
        state.counters["eumetsat_requests"] = eumetsat;
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
