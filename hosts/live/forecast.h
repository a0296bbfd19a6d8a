#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nubivo::live {

// A local time as the forecast service writes it ("2026-12-07T10:45", no offset).
struct LocalTime {
    int64_t days = 0;     // since 1970-01-01
    int32_t minutes = 0;  // after midnight
};

// Reads "YYYY-MM-DDTHH:MM" (or just "YYYY-MM-DD", at midnight); nullopt for anything else.
std::optional<LocalTime> parseLocalTime(std::string_view text);

// One day of the forecast. A value no model provides is empty.
struct ForecastDay {
    LocalTime date;
    std::optional<int32_t> weatherCode;
    std::optional<double> high;  // degrees C
    std::optional<double> low;
    // Both empty when the sun neither rises nor sets that day (polar night or polar day).
    std::optional<LocalTime> sunrise;
    std::optional<LocalTime> sunset;
};

// One place's answer of the forecast service, in its metric units. The current temperature
// and weather code are always there; any other value no model provides is empty.
struct ForecastAnswer {
    std::string timezoneAbbreviation;  // "CET"
    LocalTime time;                    // of the current conditions
    double temperature = 0;            // degrees C
    std::optional<double> apparentTemperature;
    std::optional<double> humidity;  // percent
    int32_t weatherCode = 0;
    bool isDay = true;                // day when the service does not say
    std::optional<double> pressure;   // sea-level, hPa
    std::optional<double> windSpeed;  // km/h
    std::optional<double> windDirection;
    std::optional<double> visibility;  // metres
    // The sea-level pressure of the hours before, oldest first, with their local times; hours
    // without a value are left out.
    std::vector<std::pair<LocalTime, double>> pressureHistory;
    std::vector<ForecastDay> days;  // up to seven
};

// The forecast request of one place on the service at `base` (".../v1/forecast"): current
// conditions, three hours of pressure before them and seven days, in the place's local time.
std::string forecastUrl(const std::string& base, double latitude, double longitude);

// The variables forecastUrl asks for, counted as the service counts them towards its
// limits (a request of more than ten counts as more than one call).
inline constexpr int32_t forecastVariableCount = 15;

// Reads an answer of forecastUrl. A value may be null, and a variable no model covers comes
// with the unit "undefined": either leaves that value empty. False when the current
// temperature or weather code is null, when a field is missing or of another type, or when
// a unit is neither the metric one asked for nor "undefined".
bool parseForecastAnswer(std::string_view body, ForecastAnswer* answer);

// 0 steady, 1 rising or 2 falling: the change of the current pressure against the hour three
// hours before it (or the oldest hour held), steady under 1 hPa; empty without a current
// pressure or any hour before.
std::optional<int32_t> pressureTendency(const ForecastAnswer& answer);

}  // namespace nubivo::live
