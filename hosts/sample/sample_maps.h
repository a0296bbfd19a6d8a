#pragma once

#include <cstdint>
#include <vector>

#include "hosts/core/canvas.h"
#include "state/enumerations.h"

namespace nubivo::sample {

inline constexpr int32_t mapWidth = 440;
inline constexpr int32_t mapHeight = 330;

// The map of `region` and `layer` for hour `hour` (hours since 1970, UTC): a stylised
// outline of the region with a cloud field or a colour field made up for that hour.
// Region or layer out of range give a blank picture.
host::Canvas drawMap(int32_t region, int32_t layer, int64_t hour);

// drawMap as JPEG bytes.
std::vector<uint8_t> mapPicture(int32_t region, int32_t layer, int64_t hour);

}  // namespace nubivo::sample
