#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "hosts/core/canvas.h"

namespace nubivo::host {

struct LonLat {
    float lon;
    float lat;
};

struct Outline {
    const LonLat* points;
    size_t count;
    bool water;  // an inland sea cut out of the land drawn before it
};

// Coarse coastlines of the continents and larger islands, land first, then inland seas.
extern const Outline worldOutlines[];
extern const size_t worldOutlineCount;

// Where a picture shows a point given in degrees: its pixel position.
using Projection = std::function<Point(double lon, double lat)>;

// One byte a pixel, row by row, of a `width` x `height` picture: 1 on land, 0 at sea.
std::vector<uint8_t> landMask(int32_t width, int32_t height, const Projection& toPixel);

// Blends `colour` into every land pixel of `mask` that touches the sea: the coastline.
void drawCoast(Canvas& canvas, const std::vector<uint8_t>& mask, Colour colour,
               double amount = 0.85);

}  // namespace nubivo::host
