#include "hosts/live/live_feed.h"

#include <cmath>
#include <cstdio>

#include "hosts/core/calendar.h"
#include "hosts/core/units.h"
#include "hosts/live/weather_codes.h"

namespace nubivo::live {
namespace {

// Rounded to a whole number within 32 bits, halves away from zero.
int32_t whole(double value) {
    const double rounded = std::round(value);
    if (rounded > INT32_MAX)
        return INT32_MAX;
    if (rounded < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(rounded);
}

int32_t temperature(double celsius, bool metric) {
    return whole(metric ? celsius : host::fahrenheit(celsius));
}

std::optional<int32_t> temperature(const std::optional<double>& celsius, bool metric) {
    if (!celsius)
        return std::nullopt;
    return temperature(*celsius, metric);
}

std::string clock(const std::optional<LocalTime>& time) {
    return time ? host::clockText(time->minutes) : std::string();
}

std::string degrees(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

std::string observationText(const LocalTime& time, const std::string& zone) {
    const host::CivilDate date = host::civilDate(time.days);
    const int32_t hour = time.minutes / 60;
    char text[96];
    std::snprintf(text, sizeof text, "%s, %02d %s %d %d:%02d %s", host::weekdayName(date.weekday),
                  date.day, host::monthName(date.month), date.year, hour % 12 == 0 ? 12 : hour % 12,
                  time.minutes % 60, hour < 12 ? "am" : "pm");
    std::string result = text;
    if (!zone.empty())
        result += " " + zone;
    return result;
}

host::FeedValues liveFeedValues(const Place& place, const ForecastAnswer& answer, bool metric) {
    host::FeedValues w;
    w.city = place.name;
    w.region = place.admin1;
    w.country = place.countryCode;
    w.metric = metric;
    w.windChill = temperature(answer.apparentTemperature, metric);
    if (answer.windDirection)
        w.windDirection = ((whole(*answer.windDirection) % 360) + 360) % 360;
    if (answer.windSpeed)
        w.windSpeed = whole(metric ? *answer.windSpeed : *answer.windSpeed * host::milesPerKm);
    if (answer.humidity)
        w.humidity = whole(*answer.humidity);
    if (answer.visibility) {
        // Hundredths of a kilometre or of a mile.
        const double metres = *answer.visibility;
        w.visibility = whole(metric ? metres / 10.0 : metres / host::metresPerMile * 100.0);
    }
    if (answer.pressure) {
        const double hectopascals = *answer.pressure;
        w.pressure =
            metric ? std::round(hectopascals * 10.0) / 10.0
                   : std::round(hectopascals * host::inchesOfMercuryPerHectopascal * 100.0) / 100.0;
    }
    w.rising = pressureTendency(answer);
    if (!answer.days.empty()) {
        w.sunrise = clock(answer.days.front().sunrise);
        w.sunset = clock(answer.days.front().sunset);
    }
    w.latitude = degrees(place.latitude);
    w.longitude = degrees(place.longitude);
    w.conditionText = weatherText(answer.weatherCode, answer.isDay);
    w.conditionCode = answer.weatherCode;
    w.conditionTemp = temperature(answer.temperature, metric);
    w.conditionDate = observationText(answer.time, answer.timezoneAbbreviation);
    for (const ForecastDay& day : answer.days) {
        const host::CivilDate date = host::civilDate(day.date.days);
        w.forecasts.push_back(host::ForecastEntry{
            host::weekdayName(date.weekday),
            std::to_string(date.day) + " " + host::monthName(date.month) + " " +
                std::to_string(date.year),
            temperature(day.low, metric), temperature(day.high, metric),
            day.weatherCode ? weatherText(*day.weatherCode, true) : "", day.weatherCode});
    }
    return w;
}

}  // namespace nubivo::live
