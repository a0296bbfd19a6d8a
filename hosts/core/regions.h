#pragma once

#include <cstdint>

#include "hosts/core/canvas.h"

namespace nubivo::host {

// A box of the earth in degrees (EPSG:4326), as the imagery services take it.
struct GeoBox {
    double west;
    double south;
    double east;
    double north;
};

// The viewer's regions in its own order (Europe to Africa), each 4:3 in degrees.
extern const GeoBox regionBoxes[8];

// The maps both hosts serve: 440 x 330 pixels, plate carree over a region's box.
inline constexpr int32_t mapWidth = 440;
inline constexpr int32_t mapHeight = 330;

// The pixel of a map over `box` that shows (lon, lat); the top-left corner of the picture is
// (west, north).
Point mapPixel(const GeoBox& box, double lon, double lat);

// The degrees shown at the centre of map pixel (x, y).
double mapLongitude(const GeoBox& box, double x);
double mapLatitude(const GeoBox& box, double y);

}  // namespace nubivo::host
