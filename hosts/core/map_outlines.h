#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "hosts/core/canvas.h"
#include "hosts/core/regions.h"

namespace nubivo::host {

// Natural Earth's coastlines, large lakes and borders on a map over a box, in plate carree at
// the map's size (regions.h). The outlines of a box are projected once and kept for the life
// of the process, so every map of it draws them quickly; thread-safe.

// 1 where a map pixel's centre is on land, 0 on the sea or a large lake; row by row,
// mapWidth x mapHeight.
using LandMask = std::vector<uint8_t>;
std::shared_ptr<const LandMask> landMask(const GeoBox& box);

// How outlines look: over the light colours of a forecast field (dark lines), or over
// imagery (light lines). Either way coastlines and lake shores are darker than borders and
// no line is wider than 1.5 pixels.
enum class OutlineStyle { OnField, OnImagery };

// Draws the box's coastlines, lake shores and borders on `map` (of the map's size; another
// size is drawn over as if it were). Nothing else of the picture changes.
void drawOutlines(Canvas& map, const GeoBox& box, OutlineStyle style);

}  // namespace nubivo::host
