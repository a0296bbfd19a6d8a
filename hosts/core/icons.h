#pragma once

#include <cstdint>
#include <vector>

#include "hosts/core/canvas.h"

namespace nubivo::host {

// Icons are square, this many pixels a side, on the white of the viewer's panel.
inline constexpr int32_t iconSize = 52;

// The pictures a host can name for a weather condition.
enum class IconKind : int32_t {
    Sunny,
    ClearNight,
    PartlyCloudy,
    Cloudy,
    LightRain,
    Rain,
    Thunderstorms,
    Snow,
    Sleet,
    Fog,
    Windy,
    PartlyCloudyNight,
    Unknown,  // a plain cloud
};
inline constexpr int32_t iconKindCount = static_cast<int32_t>(IconKind::Unknown) + 1;

// The icon of `kind`, drawn anti-aliased with cairo.
Canvas drawIcon(IconKind kind);

// drawIcon as PNG bytes; empty when encoding fails.
std::vector<uint8_t> iconPng(IconKind kind);

// A short lower-case name of `kind` ("partly-cloudy-night"), fit for a URL path.
const char* iconName(IconKind kind);

}  // namespace nubivo::host
