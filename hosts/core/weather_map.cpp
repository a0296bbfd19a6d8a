#include "hosts/core/weather_map.h"

#include <algorithm>
#include <cmath>

namespace nubivo::host {
namespace {

// A quantity's colours worked out once at fine steps (0.05 degrees C; 1/2048 of the
// precipitation scale), so that painting a field is a look-up per pixel, not a mix.
class ColourTable {
  public:
    explicit ColourTable(MapQuantity quantity) : quantity_(quantity) {
        const bool temperature = quantity == MapQuantity::Temperature;
        low_ = temperature ? temperatureLow - 10 : 0;
        step_ = temperature ? 0.05 : 1.0 / 2048;
        const auto count = static_cast<size_t>(std::lround(
                               ((temperature ? temperatureHigh + 10 : 1) - low_) / step_)) +
                           1;
        for (size_t i = 0; i < count; ++i) {
            const double key = low_ + static_cast<double>(i) * step_;
            const double value =
                temperature
                    ? key
                    : precipitationLow * std::pow(precipitationHigh / precipitationLow, key);
            for (const Surface surface : {Surface::Water, Surface::Land})
                colours_[surface == Surface::Land].push_back(
                    packedColour(quantityColour(quantity, value, surface)));
        }
        bases_[0] = packedColour(baseColour(Surface::Water));
        bases_[1] = packedColour(baseColour(Surface::Land));
    }

    uint32_t at(double value, bool onLand) const {
        if (std::isnan(value) ||
            (quantity_ == MapQuantity::Precipitation && value < precipitationLow)) {
            return bases_[onLand];
        }
        const double key =
            quantity_ == MapQuantity::Temperature ? value : precipitationPosition(value);
        const std::vector<uint32_t>& colours = colours_[onLand];
        const double index = std::clamp(std::round((key - low_) / step_), 0.0,
                                        static_cast<double>(colours.size() - 1));
        return colours[static_cast<size_t>(index)];
    }

  private:
    MapQuantity quantity_;
    double low_ = 0;
    double step_ = 1;
    std::vector<uint32_t> colours_[2];
    uint32_t bases_[2] = {0, 0};
};

const ColourTable& colourTable(MapQuantity quantity) {
    static const ColourTable temperature(MapQuantity::Temperature);
    static const ColourTable precipitation(MapQuantity::Precipitation);
    return quantity == MapQuantity::Temperature ? temperature : precipitation;
}

}  // namespace

Colour quantityColour(MapQuantity quantity, double value, Surface surface) {
    return quantity == MapQuantity::Temperature ? temperatureColour(value, surface)
                                                : precipitationColour(value, surface);
}

Legend quantityLegend(MapQuantity quantity) {
    return quantity == MapQuantity::Temperature ? temperatureLegend() : precipitationLegend();
}

void paintField(Canvas& map, const GeoBox& box, MapQuantity quantity, const PixelValues& values) {
    const std::shared_ptr<const LandMask> land = landMask(box);
    const ColourTable& table = colourTable(quantity);
    const bool known = values.size() == static_cast<size_t>(mapWidth) * mapHeight;
    for (int32_t y = 0; y < std::min(map.height(), mapHeight); ++y) {
        uint32_t* row = map.words() + static_cast<size_t>(y) * map.width();
        for (int32_t x = 0; x < std::min(map.width(), mapWidth); ++x) {
            const size_t i = static_cast<size_t>(y) * mapWidth + x;
            row[x] = table.at(known ? values[i] : std::nan(""), (*land)[i] != 0);
        }
    }
}

PixelValues sampleField(const GeoBox& box, const FieldFunction& valueAt) {
    PixelValues values(static_cast<size_t>(mapWidth) * mapHeight);
    for (int32_t y = 0; y < mapHeight; ++y) {
        const double lat = mapLatitude(box, y);
        for (int32_t x = 0; x < mapWidth; ++x)
            values[static_cast<size_t>(y) * mapWidth + x] = valueAt(mapLongitude(box, x), lat);
    }
    return values;
}

Canvas drawFieldMap(const GeoBox& box, MapQuantity quantity, const PixelValues& values,
                    const MapTexts& texts) {
    Canvas map(mapWidth, mapHeight, landBase);
    paintField(map, box, quantity, values);
    drawOutlines(map, box, OutlineStyle::OnField);
    drawTitle(map, texts.title);
    drawFooter(map, quantityLegend(quantity), texts.credit);
    return map;
}

Canvas drawFieldMap(const GeoBox& box, MapQuantity quantity, const FieldFunction& valueAt,
                    const MapTexts& texts) {
    return drawFieldMap(box, quantity, sampleField(box, valueAt), texts);
}

void finishImageryMap(Canvas& picture, const GeoBox& box, const MapTexts& texts) {
    drawOutlines(picture, box, OutlineStyle::OnImagery);
    drawTitle(picture, texts.title);
    drawFooter(picture, distanceLegend(box), texts.credit);
}

}  // namespace nubivo::host
