#pragma once

#include <cstdint>
#include <vector>

#include "hosts/core/canvas.h"

namespace nubivo::sample {

inline constexpr int32_t mapRegionCount = 8;
inline constexpr int32_t mapLayerCount = 4;

// The map of `region` and `layer` for hour `hour` (hours since 1970, UTC), over the region's
// box with Natural Earth's outlines: a cloud field over made-up land and sea, or made-up highs,
// lows or precipitation on the shared colour scales, each titled "Sample ..." with its day or
// hour. Region or layer out of range give a blank picture. The same hour gives the same pixels.
host::Canvas drawMap(int32_t region, int32_t layer, int64_t hour);

// drawMap as JPEG bytes.
std::vector<uint8_t> mapPicture(int32_t region, int32_t layer, int64_t hour);

}  // namespace nubivo::sample
