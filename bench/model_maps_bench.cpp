// The forecast maps from the GFS model, against a scripted bucket that holds a run at the
// model's resolution (1440 x 721) with messages of about the size of NOAA's (4 bits a value,
// 0.5 MB): the bytes and requests one run costs for all eight regions, a map painted from
// held fields, one global field decoded, and the resident memory of a live host process
// while it fetches and decodes a run and after it.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "hosts/core/calendar.h"
#include "hosts/live/forecast_maps.h"
#include "hosts/live/gfs_decode.h"
#include "hosts/live/gfs_forecast.h"
#include "hosts/live/gfs_inventory.h"
#include "hosts/live/gfs_run.h"
#include "hosts/live/imagery.h"
#include "hosts/live/live_host.h"
#include "support/free_port.h"
#include "tests/hosts/live/scripted_bucket.h"
#include "tests/hosts/live/scripted_model.h"
#include "tests/hosts/live/scripted_upstream.h"

extern char** environ;

namespace nubivo {
namespace {

constexpr int32_t modelColumns = 1440;

// The run before the newest by the clock, for the period now: a live host process started
// by the benchmark (on the system's clock) finds it as the newest complete run.
struct ModelBench {
    ModelBench() {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        test::ScriptedRun layout;
        layout.run = run;
        layout.hours = live::periodHours(run, period);
        layout.columns = modelColumns;
        layout.bitsPerValue = 4;
        test::putRun(bucket, layout, test::detailedWeather(run));
        // The stand-in's today follows the clock, so yesterday has imagery.
        upstream.setToday(live::imageryDay(now + 86400));
    }

    live::LiveConfig config() const {
        live::LiveConfig c;
        c.forecastUrl = upstream.forecastUrl();
        c.geocodingUrl = upstream.geocodingUrl();
        c.imageryUrl = upstream.imageryUrl();
        c.gfsUrl = bucket.url();
        c.cacheFolder = "";
        return c;
    }

    // The bytes the period needs: its inventories, TMAX and TMIN of every 6 hours after its
    // start, and the totals from the run's start at its start and end.
    size_t neededBytes() const {
        size_t bytes = 0;
        const std::vector<int32_t> hours = live::periodHours(run, period);
        for (const int32_t hour : hours) {
            const std::string inventory = bucket.object(test::modelKey(run, hour) + ".idx");
            bytes += inventory.size();
            const auto records = live::parseInventory(inventory);
            for (size_t i = 0; records && i < records->size(); ++i) {
                const live::InventoryRecord& record = (*records)[i];
                const bool extreme = (record.variable == "TMAX" || record.variable == "TMIN") &&
                                     hour != hours.front();
                const bool total = record.variable == "APCP" &&
                                   record.timeRange.rfind("0-", 0) == 0 &&
                                   (hour == hours.front() || hour == hours.back());
                if (extreme || total)
                    bytes += *live::recordBytes(*records, i).last - record.offset + 1;
            }
        }
        return bytes;
    }

    const int64_t now = host::systemSeconds();
    const int64_t run = live::newestCycle(now) - live::cycleSeconds;
    const int64_t period = live::periodStart(now);
    test::ScriptedBucket bucket;
    test::ScriptedUpstream upstream;
};

ModelBench& modelBench() {
    static ModelBench* instance = new ModelBench;
    return *instance;
}

// A cold host's forecast maps of every region: the run's records fetched once for all of
// them. Then, within the same period, a rebuild of every map fetches nothing.
void ModelRunFetch(benchmark::State& state) {
    ModelBench& bench = modelBench();
    for (auto _ : state) {
        state.PauseTiming();
        bench.bucket.resetCounts();
        int64_t now = bench.now;
        live::LiveConfig config = bench.config();
        config.mapRefresh = 600;
        auto host = std::make_unique<live::LiveHost>(config, [&now] { return now; });
        state.ResumeTiming();
        for (int32_t region = 0; region < 8; ++region) {
            if (host->map(region, 1).status != 200)
                state.SkipWithError("no forecast map");
        }
        state.PauseTiming();
        state.counters["bucket_requests"] = bench.bucket.requests();
        state.counters["bucket_bytes"] = static_cast<double>(bench.bucket.bytesSent());
        state.counters["needed_bytes"] = static_cast<double>(bench.neededBytes());
        bench.bucket.resetCounts();
        now += 700;
        for (int32_t region = 0; region < 8; ++region)
            host->map(region, 1);
        state.counters["rebuild_bucket_bytes"] = static_cast<double>(bench.bucket.bytesSent());
        host.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(ModelRunFetch)->Unit(benchmark::kMillisecond)->Iterations(1);

// One forecast map painted from held fields and encoded (Europe, then Africa, the largest).
void ModelMapBuild(benchmark::State& state) {
    ModelBench& bench = modelBench();
    const live::LiveConfig config = bench.config();
    live::UpstreamClient client([&bench] { return bench.now; });
    const live::DiskCache cache("");
    live::GfsForecast forecast(
        config, [&bench] { return bench.now; }, client, cache);
    const auto fields = forecast.fields();
    if (!fields) {
        state.SkipWithError("no model fields");
        return;
    }
    const auto region = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        const std::vector<uint8_t> jpeg =
            live::paintModelMap(host::regionBoxes[region], fields->fields[0][region],
                                live::ForecastLayer::High, fields->periodStart)
                .encodeJpeg();
        benchmark::DoNotOptimize(jpeg.data());
    }
}
BENCHMARK(ModelMapBuild)->Arg(0)->Arg(7)->Unit(benchmark::kMillisecond);

// One global field of the model's grid decoded from memory: as the scripted bucket packs
// it (simple packing, 4 bits), and as NOAA does (complex packing with spatial differencing,
// here a smooth field at 12 bits, which ecCodes packs faithfully).
void DecodeGlobalField(benchmark::State& state) {
    ModelBench& bench = modelBench();
    const bool complex = state.range(0) == 1;
    const live::ModelVariable& tmax = live::modelVariables[0];
    const std::string message = test::gribMessage(
        tmax, bench.run, 6, 12, modelColumns,
        [](double lat, double lon) {
            return 273.15 + 30 * std::cos(lat * M_PI / 180) + 4 * std::sin(lon * M_PI / 30);
        },
        complex, complex ? 12 : 4);
    state.counters["message_bytes"] = static_cast<double>(message.size());
    for (auto _ : state) {
        std::string error;
        const auto grid = live::decodeModelField(message, tmax, bench.run,
                                                 {live::Statistic::Maximum, 6, 12}, &error);
        if (!grid)
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(grid);
    }
}
BENCHMARK(DecodeGlobalField)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// "VmRSS" or "VmHWM" of a process, in MB.
double memoryOf(pid_t pid, const char* field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(std::string(field) + ":", 0) == 0)
            return std::stod(line.substr(line.find_first_of("0123456789"))) / 1024.0;
    }
    return 0;
}

// A live host process on the system's clock against the scripted services: its resident
// memory before the run (with one map drawn), its peak while it fetches and decodes the run
// for the first forecast map, what it holds after that, and after all 24 forecast maps.
void ModelRunMemory(benchmark::State& state) {
    ModelBench& bench = modelBench();
    for (auto _ : state) {
        const int port = test::freePort();
        const std::string folder = "/tmp/nubivo-bench-model-" + std::to_string(::getpid());
        const live::LiveConfig c = bench.config();
        std::vector<std::string> args = {NUBIVO_LIVE_HOST_PROGRAM,
                                         "--port",
                                         std::to_string(port),
                                         "--cache-dir",
                                         folder,
                                         "--forecast-url",
                                         c.forecastUrl,
                                         "--geocoding-url",
                                         c.geocodingUrl,
                                         "--imagery-url",
                                         c.imageryUrl,
                                         "--gfs-url",
                                         c.gfsUrl};
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        // The host's own lines must not mix with the benchmark's report.
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (spawned != 0) {
            state.SkipWithError("cannot start the live host");
            return;
        }
        live::UpstreamClient client(host::systemSeconds);
        const std::string base = "http://127.0.0.1:" + std::to_string(port);
        for (int32_t i = 0; i < 100; ++i) {
            if (client.get(live::Service::Forecast, base + "/none").received)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        // Before the run: the host has drawn a map (the satellite map of Europe), so the
        // typeface, the outlines and the drawing of Europe are in place.
        const std::string images = base + "/images/";
        if (client.get(live::Service::Forecast, images + "eur_satintl_440_mdy_y.jpg").status != 200)
            state.SkipWithError("no satellite map");
        state.counters["rss_before_mb"] = memoryOf(pid, "VmRSS");
        // The run fetched and decoded for the first forecast map, and Europe's three painted.
        if (client.get(live::Service::Forecast, images + "eur_fcsthi_440_mdy_y.jpg").status != 200)
            state.SkipWithError("no forecast map");
        state.counters["peak_mb"] = memoryOf(pid, "VmHWM");
        state.counters["rss_after_mb"] = memoryOf(pid, "VmRSS");
        const char* regions[] = {"eur", "na", "sa", "asia", "aus", "carib", "me", "afr"};
        for (const char* region : regions) {
            for (const char* layer : {"fcsthi", "fcstlo", "precip"})
                client.get(live::Service::Forecast,
                           images + region + "_" + layer + "_440_mdy_y.jpg");
        }
        state.counters["rss_all_maps_mb"] = memoryOf(pid, "VmRSS");
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        std::filesystem::remove_all(folder);
    }
}
BENCHMARK(ModelRunMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace nubivo
