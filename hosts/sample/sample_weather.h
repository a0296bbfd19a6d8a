#pragma once

#include <cstdint>
#include <string_view>

#include "hosts/core/feed_document.h"
#include "hosts/core/icons.h"

namespace nubivo::sample {

// The condition codes this host uses, each with its text and its icon /icons/CODE.png.
enum ConditionCode : int32_t {
    Sunny = 1,
    Clear = 2,  // a fair sky at night
    PartlyCloudy = 3,
    Cloudy = 4,
    LightRain = 5,
    Rain = 6,
    Thunderstorms = 7,
    Snow = 8,
    Sleet = 9,
    Fog = 10,
    Windy = 11,
};
inline constexpr int32_t firstConditionCode = Sunny;
inline constexpr int32_t lastConditionCode = Windy;

// The text of `code`, or null for a code this host does not use.
const char* conditionText(int32_t code);

// The icon of `code`; a plain cloud for a code this host does not use.
host::IconKind iconOf(int32_t code);

inline constexpr int32_t forecastDays = 5;
// The longest location, in bytes, that the feed echoes as its city; a longer one is cut.
inline constexpr size_t maxEchoedLocationBytes = 64;

// The made-up weather of `location` at `now` (seconds since 1970, UTC) as one feed's values,
// with forecastDays forecasts and a visibility always known: the same location and local day
// give the same day values; the current temperature follows the hour.
host::FeedValues sampleWeather(std::string_view location, bool metric, int64_t now);

}  // namespace nubivo::sample
