// The hosts' map pictures: the sample host's 32 maps at start-up (the first in a process,
// which reads the outlines and the typeface and makes each region's outlines) and again with
// all that kept, and one 440 x 330 forecast map and one satellite map of the live host, each
// from its input (a forecast grid; a decoded picture) to the JPEG it serves.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "hosts/core/canvas.h"
#include "hosts/core/regions.h"
#include "hosts/live/forecast_grid.h"
#include "hosts/live/map_painting.h"
#include "hosts/sample/sample_maps.h"

namespace {

using nubivo::host::Canvas;
using nubivo::host::Colour;

constexpr int64_t mondayMorning = 1796641200 / 3600;  // 2026-12-07 11:00 UTC, in hours

void thirtyTwoMaps(int64_t hour) {
    for (int32_t region = 0; region < nubivo::regionCount; ++region) {
        for (int32_t layer = 0; layer < nubivo::mapLayerCount; ++layer)
            benchmark::DoNotOptimize(nubivo::sample::mapPicture(region, layer, hour));
    }
}

// Registered first, so that it is the first drawing in the process.
void SampleMapsAtStartUp(benchmark::State& state) {
    for (auto _ : state)
        thirtyTwoMaps(mondayMorning);
}
BENCHMARK(SampleMapsAtStartUp)->Unit(benchmark::kMillisecond)->Iterations(1);

void SampleMapsKept(benchmark::State& state) {
    int64_t hour = mondayMorning;
    for (auto _ : state)
        thirtyTwoMaps(++hour);
}
BENCHMARK(SampleMapsKept)->Unit(benchmark::kMillisecond)->Iterations(5);

nubivo::live::ForecastGrid benchGrid() {
    nubivo::live::ForecastGrid grid;
    grid.date = "2026-12-07";
    for (int32_t i = 0; i < nubivo::live::gridPoints; ++i) {
        grid.high.push_back(25.0 - i * 0.6);
        grid.low.push_back(12.0 - i * 0.6);
        grid.precipitation.push_back(i % 5 == 0 ? 0.0 : std::fmod(i * 3.7, 40.0));
    }
    return grid;
}

// One forecast map of Europe: the field from the grid, outlines, texts, JPEG.
void ForecastMap(benchmark::State& state) {
    const nubivo::live::ForecastGrid grid = benchGrid();
    const auto layer = static_cast<nubivo::live::ForecastLayer>(state.range(0));
    for (auto _ : state) {
        const Canvas map =
            nubivo::live::paintForecastMap(nubivo::host::regionBoxes[0], grid, layer);
        benchmark::DoNotOptimize(map.encodeJpeg());
    }
}
BENCHMARK(ForecastMap)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

// One satellite map of Europe finished from one picture: decoded, finished, encoded again.
void SatelliteMap(benchmark::State& state) {
    Canvas photo(nubivo::host::mapWidth, nubivo::host::mapHeight, Colour{});
    for (int32_t y = 0; y < photo.height(); ++y) {
        for (int32_t x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y,
                           Colour{static_cast<uint8_t>(20 + (x * y) % 200),
                                  static_cast<uint8_t>(60 + y % 120), 140});
    }
    const std::vector<uint8_t> served = photo.encodeJpeg();
    for (auto _ : state) {
        Canvas picture(1, 1, Colour{});
        Canvas::decode(served.data(), served.size(), Colour{}, picture);
        nubivo::live::finishSatelliteMap(picture, nubivo::host::regionBoxes[0], "14:20 UTC",
                                         "EUMETSAT");
        benchmark::DoNotOptimize(picture.encodeJpeg());
    }
}
BENCHMARK(SatelliteMap)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
