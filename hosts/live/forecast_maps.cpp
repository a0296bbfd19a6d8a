#include "hosts/live/forecast_maps.h"

#include <iterator>
#include <string>

#include "hosts/core/weather_map.h"
#include "hosts/live/gfs_run.h"

namespace nubivo::live {
namespace {

// The maps in the order of the model's fields: TMAX, TMIN, APCP.
constexpr ForecastLayer layers[3] = {ForecastLayer::High, ForecastLayer::Low,
                                     ForecastLayer::Precipitation};
constexpr const char* layerNames[3] = {"High", "Low", "Precipitation"};

}  // namespace

ForecastMaps::ForecastMaps(const LiveConfig& config, host::Clock clock, UpstreamClient& upstream,
                           const DiskCache& cache)
    : forecast_(config, std::move(clock), upstream, cache) {}

std::optional<ForecastMaps::Maps> ForecastMaps::build(int32_t region) {
    if (region < 0 || static_cast<size_t>(region) >= std::size(host::regionBoxes))
        return std::nullopt;
    const std::shared_ptr<const PeriodFields> fields = forecast_.fields();
    if (!fields)
        return std::nullopt;
    Maps maps;
    for (int32_t i = 0; i < 3; ++i) {
        const FieldCrop& field = fields->fields[i][static_cast<size_t>(region)];
        maps.jpeg[i] =
            paintModelMap(host::regionBoxes[region], field, layers[i], fields->periodStart)
                .encodeJpeg();
        if (maps.jpeg[i].empty())
            return std::nullopt;
    }
    return maps;
}

host::Canvas paintModelMap(const host::GeoBox& box, const FieldCrop& field, ForecastLayer layer,
                           int64_t periodStart) {
    const auto index = static_cast<size_t>(layer);
    return host::drawFieldMap(
        box, quantityOf(layer), [&field](double lon, double lat) { return field.at(lon, lat); },
        {std::string(layerNames[index]) + ", " + periodText(periodStart), "NOAA GFS"});
}

}  // namespace nubivo::live
