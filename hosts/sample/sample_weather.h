#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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
// The longest location, in bytes, that the feed echoes; a longer one is cut.
inline constexpr size_t maxLocationBytes = 64;

struct ForecastValues {
    std::string day;   // "Mon"
    std::string date;  // "7 Dec 2026"
    int32_t low = 0;
    int32_t high = 0;
    int32_t code = 0;
};

// One feed's values, already in the units asked for. Texts are raw (not yet escaped).
struct WeatherValues {
    std::string city;
    std::string region;
    std::string country;  // two letters or empty
    bool metric = true;
    int32_t windChill = 0;
    int32_t windDirection = 0;  // degrees
    int32_t windSpeed = 0;
    int32_t humidity = 0;    // percent
    int32_t visibility = 0;  // hundredths of the distance unit
    double pressure = 0;
    int32_t rising = 0;  // 0 steady, 1 rising, 2 falling
    std::string sunrise;
    std::string sunset;
    std::string latitude;
    std::string longitude;
    int32_t conditionCode = 0;
    int32_t conditionTemp = 0;
    std::string conditionDate;
    ForecastValues forecasts[forecastDays];
};

// The made-up weather of `location` at `now` (seconds since 1970, UTC): the same location
// and local day give the same day values; the current temperature follows the hour.
WeatherValues sampleWeather(std::string_view location, bool metric, int64_t now);

}  // namespace nubivo::sample
