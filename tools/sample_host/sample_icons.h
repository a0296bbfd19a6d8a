#pragma once

#include <cstdint>
#include <vector>

#include "tools/sample_host/sample_canvas.h"

namespace nubivo::sample {

// Icons are square, this many pixels a side, on the white of the viewer's panel.
inline constexpr int32_t iconSize = 52;

// The icon of a condition code of sampleWeather; a plain cloud for a code it does not use.
Canvas drawIcon(int32_t code);

// drawIcon as PNG bytes; empty for a code that sampleWeather does not use.
std::vector<uint8_t> iconPicture(int32_t code);

}  // namespace nubivo::sample
