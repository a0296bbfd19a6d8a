#include "hosts/core/weather_map.h"

namespace nubivo::host {

Colour quantityColour(MapQuantity quantity, double value, Surface surface) {
    return quantity == MapQuantity::Temperature ? temperatureColour(value, surface)
                                                : precipitationColour(value, surface);
}

Legend quantityLegend(MapQuantity quantity) {
    return quantity == MapQuantity::Temperature ? temperatureLegend() : precipitationLegend();
}

void paintField(Canvas& map, const GeoBox& box, MapQuantity quantity, const PixelValues& values) {
    const std::shared_ptr<const LandMask> land = landMask(box);
    const size_t pixels = static_cast<size_t>(mapWidth) * mapHeight;
    const bool known = values.size() == pixels;
    const Colour bases[2] = {baseColour(Surface::Water), baseColour(Surface::Land)};
    for (int32_t y = 0; y < std::min(map.height(), mapHeight); ++y) {
        uint32_t* row = map.words() + static_cast<size_t>(y) * map.width();
        for (int32_t x = 0; x < std::min(map.width(), mapWidth); ++x) {
            const size_t i = static_cast<size_t>(y) * mapWidth + x;
            const bool onLand = (*land)[i] != 0;
            row[x] = packedColour(
                known ? quantityColour(quantity, values[i], onLand ? Surface::Land : Surface::Water)
                      : bases[onLand]);
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
