#include "hosts/live/map_painting.h"

#include <optional>

#include "hosts/core/calendar.h"
#include "hosts/live/forecast.h"

namespace nubivo::live {

std::string shortDay(const std::string& isoDay) {
    const std::optional<LocalTime> day = parseLocalTime(isoDay);
    if (!day)
        return isoDay;
    const host::CivilDate date = host::civilDate(day->days);
    return std::string(host::weekdayName(date.weekday)) + " " + std::to_string(date.day) + " " +
           host::monthName(date.month);
}

host::MapQuantity quantityOf(ForecastLayer layer) {
    return layer == ForecastLayer::Precipitation ? host::MapQuantity::Precipitation
                                                 : host::MapQuantity::Temperature;
}

host::Canvas paintForecastMap(const host::GeoBox& box, const ForecastGrid& grid,
                              ForecastLayer layer) {
    const std::vector<double>& values = layer == ForecastLayer::High  ? grid.high
                                        : layer == ForecastLayer::Low ? grid.low
                                                                      : grid.precipitation;
    const GridField field(values);
    const double width = box.east - box.west;
    const double height = box.north - box.south;
    // Grid positions of a pixel's centre: the points stand at the cells' centres.
    const host::FieldFunction valueAt = [&](double lon, double lat) {
        return field.at((lon - box.west) / width * gridColumns - 0.5,
                        (box.north - lat) / height * gridRows - 0.5);
    };
    const char* name = layer == ForecastLayer::High  ? "High"
                       : layer == ForecastLayer::Low ? "Low"
                                                     : "Precipitation";
    return host::drawFieldMap(box, quantityOf(layer), valueAt,
                              {std::string(name) + ", " + shortDay(grid.date), "Open-Meteo.com"});
}

void finishSatelliteMap(host::Canvas& picture, const host::GeoBox& box, const std::string& time,
                        const std::string& credit) {
    host::finishImageryMap(picture, box, {"Satellite, " + time, credit});
}

}  // namespace nubivo::live
