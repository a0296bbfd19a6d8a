#pragma once

#include <cstdint>

namespace nubivo {

// One forecast column of the information panel, as the feed gave it.
struct ForecastDay {
    char day[4];
    char date[256];
    int32_t low;
    int32_t high;
    char text[256];
    int32_t code;
};

inline constexpr int32_t forecastCapacity = 7;

// The weather values, written only by the feed scanner. Texts are NUL-terminated bytes as
// the feed gave them, cut to their field (the hosts write no text longer than its field).
struct WeatherReport {
    char city[255];
    char region[255];
    char country[3];
    char tempUnit[2];
    char distanceUnit[3];
    char pressureUnit[3];
    char speedUnit[4];
    int32_t windChill;
    int32_t windDirection;
    int32_t windSpeed;
    int32_t humidity;
    int32_t visibility;  // hundredths of distanceUnit
    float pressure;
    int32_t rising;  // 0 steady, 1 rising, 2 falling
    char sunrise[16];
    char sunset[16];
    char latitude[16];
    char longitude[16];
    char conditionText[256];
    int32_t conditionCode;
    int32_t conditionTemp;
    char conditionDate[256];
    ForecastDay forecasts[forecastCapacity];
    int32_t forecastCount;  // 0 to 7
};

}  // namespace nubivo
