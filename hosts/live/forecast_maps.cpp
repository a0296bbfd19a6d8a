#include "hosts/live/forecast_maps.h"

#include <cmath>
#include <iterator>

#include "hosts/core/bitmap_font.h"
#include "hosts/live/gfs_run.h"

namespace nubivo::live {
namespace {

constexpr ForecastLayer layers[3] = {ForecastLayer::High, ForecastLayer::Low,
                                     ForecastLayer::Precipitation};
constexpr const char* layerNames[3] = {"High", "Low", "Precipitation"};
constexpr host::Colour noData{200, 200, 200};

}  // namespace

ForecastMaps::ForecastMaps(const LiveConfig& config, host::Clock clock, UpstreamClient& upstream,
                           const DiskCache& cache)
    : forecast_(config, std::move(clock), upstream, cache) {}

std::optional<ForecastMaps::Maps> ForecastMaps::build(int32_t region,
                                                      const OutlineDrawer& outlines) {
    if (region < 0 || static_cast<size_t>(region) >= std::size(regionBoxes))
        return std::nullopt;
    const std::shared_ptr<const PeriodFields> fields = forecast_.fields();
    if (!fields)
        return std::nullopt;
    Maps maps;
    for (int32_t i = 0; i < 3; ++i) {
        // The fields come in the maps' order: TMAX, TMIN, APCP.
        const FieldCrop& field = fields->fields[i][static_cast<size_t>(region)];
        maps.jpeg[i] =
            paintModelMap(regionBoxes[region], field, layers[i], fields->periodStart, outlines)
                .encodeJpeg();
        if (maps.jpeg[i].empty())
            return std::nullopt;
    }
    return maps;
}

host::Canvas paintModelMap(const GeoBox& box, const FieldCrop& field, ForecastLayer layer,
                           int64_t periodStart, const OutlineDrawer& outlines) {
    host::Canvas canvas(mapWidth, mapHeight, noData);
    for (int32_t y = 0; y < mapHeight; ++y) {
        const double latitude = mapLatitude(box, y);
        for (int32_t x = 0; x < mapWidth; ++x) {
            const double value = field.at(mapLongitude(box, x), latitude);
            if (!std::isnan(value))
                canvas.blendPixel(x, y, forecastColour(layer, value));
        }
    }
    outlines(canvas, host::Colour{40, 40, 40});
    const host::Colour ink{30, 30, 30};
    const host::Colour white{255, 255, 255};
    host::drawLabel(
        canvas, 8, 8,
        std::string(layerNames[static_cast<int32_t>(layer)]) + ", " + periodText(periodStart), ink,
        white, 0.75, 2);
    const char* credit = "NOAA GFS";
    host::drawLabel(canvas, mapWidth - 8 - host::textWidth(credit, 2),
                    mapHeight - 8 - host::glyphHeight * 2, credit, ink, white, 0.6, 2);
    return canvas;
}

}  // namespace nubivo::live
