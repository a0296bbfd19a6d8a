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

// One day of a forecast answer, as the service gives it: metric, in the place's local time
// (the feed's forecast days are made from these).
struct ForecastAnswerDay {
    LocalTime date;
    int32_t weatherCode = 0;
    double high = 0;  // degrees C
    double low = 0;
    std::optional<LocalTime> sunrise;  // none in a polar day or night
    std::optional<LocalTime> sunset;
};

// One place's answer of the forecast service, in its metric units.
struct ForecastAnswer {
    std::string timezoneAbbreviation;  // "CET"
    LocalTime time;                    // of the current conditions
    double temperature = 0;            // degrees C
    double apparentTemperature = 0;
    double humidity = 0;  // percent
    int32_t weatherCode = 0;
    bool isDay = true;
    double pressure = 0;   // sea-level, hPa
    double windSpeed = 0;  // km/h
    double windDirection = 0;
    std::optional<double> visibility;  // metres; the service may not know it
    // The sea-level pressure of the hours before, oldest first, with their local times.
    std::vector<std::pair<LocalTime, double>> pressureHistory;
    std::vector<ForecastAnswerDay> days;  // up to the first day the service left incomplete
};

// The forecast request of one place on the service at `base` (".../v1/forecast"): current
// conditions, three hours of pressure before them and seven days, in the place's local time.
std::string forecastUrl(const std::string& base, double latitude, double longitude);

// The variables forecastUrl asks for, counted as the service counts them towards its
// limits (a request of more than ten counts as more than one call).
inline constexpr int32_t forecastVariableCount = 15;

// Reads an answer of forecastUrl. False when a field the feed needs is missing, null or of
// another type, or its unit is not the metric one asked for.
bool parseForecastAnswer(std::string_view body, ForecastAnswer* answer);

// 0 steady, 1 rising or 2 falling: the change of the current pressure against the hour three
// hours before it (or the oldest hour held), steady under 1 hPa.
int32_t pressureTendency(const ForecastAnswer& answer);

}  // namespace nubivo::live
