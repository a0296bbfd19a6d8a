#include "hosts/live/forecast.h"

#include <cmath>
#include <cstdio>

#include "hosts/core/calendar.h"
#include "hosts/live/json_fields.h"

namespace nubivo::live {
namespace {

constexpr const char* currentVariables =
    "temperature_2m,apparent_temperature,relative_humidity_2m,weather_code,is_day,pressure_msl,"
    "wind_speed_10m,wind_direction_10m,visibility";
constexpr const char* dailyVariables =
    "weather_code,temperature_2m_max,temperature_2m_min,sunrise,sunset";

bool digits(std::string_view text, size_t at, size_t count, int32_t* value) {
    if (at + count > text.size())
        return false;
    int32_t number = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        number = number * 10 + (text[i] - '0');
    }
    *value = number;
    return true;
}

// The unit the service reports for `variable` in `units`, when it reports one, must be
// `expected`.
bool unitIs(const Json& answer, const char* units, const char* variable, const char* expected) {
    const Json* table = objectAt(answer, units);
    if (table == nullptr)
        return true;
    const std::optional<std::string> unit = stringAt(*table, variable);
    return !table->contains(variable) || (unit && *unit == expected);
}

bool readCurrent(const Json& answer, ForecastAnswer* out) {
    const Json* current = objectAt(answer, "current");
    if (current == nullptr)
        return false;
    const std::optional<std::string> time = stringAt(*current, "time");
    const std::optional<LocalTime> local = time ? parseLocalTime(*time) : std::nullopt;
    const auto temperature = numberAt(*current, "temperature_2m");
    const auto apparent = numberAt(*current, "apparent_temperature");
    const auto humidity = numberAt(*current, "relative_humidity_2m");
    const auto code = integerAt(*current, "weather_code");
    const auto isDay = integerAt(*current, "is_day");
    const auto pressure = numberAt(*current, "pressure_msl");
    const auto speed = numberAt(*current, "wind_speed_10m");
    const auto direction = numberAt(*current, "wind_direction_10m");
    if (!local || !temperature || !apparent || !humidity || !code || !isDay || !pressure ||
        !speed || !direction) {
        return false;
    }
    // Visibility alone may be unknown (null), but not of another type.
    if (!current->contains("visibility"))
        return false;
    const Json& visibility = (*current)["visibility"];
    if (!visibility.is_null()) {
        out->visibility = numberAt(*current, "visibility");
        if (!out->visibility)
            return false;
    }
    out->time = *local;
    out->temperature = *temperature;
    out->apparentTemperature = *apparent;
    out->humidity = *humidity;
    out->weatherCode = *code;
    out->isDay = *isDay != 0;
    out->pressure = *pressure;
    out->windSpeed = *speed;
    out->windDirection = *direction;
    return true;
}

bool readHourly(const Json& answer, ForecastAnswer* out) {
    const Json* hourly = objectAt(answer, "hourly");
    const Json* times = hourly ? arrayAt(*hourly, "time", 1) : nullptr;
    const Json* pressures = hourly ? arrayAt(*hourly, "pressure_msl") : nullptr;
    if (times == nullptr || pressures == nullptr || pressures->size() != times->size())
        return false;
    for (size_t i = 0; i < times->size(); ++i) {
        const std::optional<std::string> time = stringIn(*times, i);
        const std::optional<LocalTime> local = time ? parseLocalTime(*time) : std::nullopt;
        if (!local)
            return false;
        // An hour the model has no value for is left out.
        if (const std::optional<double> pressure = numberIn(*pressures, i))
            out->pressureHistory.emplace_back(*local, *pressure);
    }
    return !out->pressureHistory.empty();
}

// Reads sunrise or sunset `i`: a time, or null when the sun does not rise or set that day.
bool readSunTime(const Json& array, size_t i, std::optional<LocalTime>* out) {
    if (i >= array.size())
        return false;
    if (array[i].is_null())
        return true;
    const std::optional<std::string> text = stringIn(array, i);
    if (!text)
        return false;
    *out = parseLocalTime(*text);
    return out->has_value() || text->empty();
}

bool readDaily(const Json& answer, ForecastAnswer* out) {
    const Json* daily = objectAt(answer, "daily");
    if (daily == nullptr)
        return false;
    const Json* times = arrayAt(*daily, "time", 1);
    const Json* codes = arrayAt(*daily, "weather_code");
    const Json* highs = arrayAt(*daily, "temperature_2m_max");
    const Json* lows = arrayAt(*daily, "temperature_2m_min");
    const Json* sunrises = arrayAt(*daily, "sunrise");
    const Json* sunsets = arrayAt(*daily, "sunset");
    if (!times || !codes || !highs || !lows || !sunrises || !sunsets)
        return false;
    const size_t count = times->size();
    if (codes->size() != count || highs->size() != count || lows->size() != count ||
        sunrises->size() != count || sunsets->size() != count) {
        return false;
    }
    for (size_t i = 0; i < count && i < 7; ++i) {
        const std::optional<std::string> date = stringIn(*times, i);
        const std::optional<LocalTime> day = date ? parseLocalTime(*date) : std::nullopt;
        if (!day)
            return false;
        const auto code = integerIn(*codes, i);
        const auto high = numberIn(*highs, i);
        const auto low = numberIn(*lows, i);
        // The last days of a model run can come without values: the forecast ends there.
        if (!code || !high || !low)
            break;
        ForecastAnswerDay forecast;
        forecast.date = *day;
        forecast.weatherCode = *code;
        forecast.high = *high;
        forecast.low = *low;
        if (!readSunTime(*sunrises, i, &forecast.sunrise) ||
            !readSunTime(*sunsets, i, &forecast.sunset)) {
            return false;
        }
        out->days.push_back(forecast);
    }
    return !out->days.empty();
}

}  // namespace

std::optional<LocalTime> parseLocalTime(std::string_view text) {
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
    if (!digits(text, 0, 4, &year) || text.size() < 10 || text[4] != '-' || text[7] != '-' ||
        !digits(text, 5, 2, &month) || !digits(text, 8, 2, &day)) {
        return std::nullopt;
    }
    if (text.size() != 10) {
        if (text.size() != 16 || text[10] != 'T' || text[13] != ':' ||
            !digits(text, 11, 2, &hour) || !digits(text, 14, 2, &minute)) {
            return std::nullopt;
        }
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59)
        return std::nullopt;
    const int64_t days = host::daysFromCivil(year, month, day);
    const host::CivilDate check = host::civilDate(days);
    if (check.month != month || check.day != day)
        return std::nullopt;  // 31 April and the like
    return LocalTime{days, hour * 60 + minute};
}

std::string forecastUrl(const std::string& base, double latitude, double longitude) {
    char position[96];
    std::snprintf(position, sizeof position, "?latitude=%.4f&longitude=%.4f", latitude, longitude);
    return base + position + "&current=" + currentVariables +
           "&hourly=pressure_msl&past_hours=3&forecast_hours=1&daily=" + dailyVariables +
           "&timezone=auto&forecast_days=7";
}

bool parseForecastAnswer(std::string_view body, ForecastAnswer* answer) {
    const std::optional<Json> json = parseJson(body);
    if (!json || !json->is_object())
        return false;
    if (!unitIs(*json, "current_units", "temperature_2m", "\u00B0C") ||
        !unitIs(*json, "current_units", "apparent_temperature", "\u00B0C") ||
        !unitIs(*json, "current_units", "wind_speed_10m", "km/h") ||
        !unitIs(*json, "current_units", "pressure_msl", "hPa") ||
        !unitIs(*json, "current_units", "visibility", "m") ||
        !unitIs(*json, "daily_units", "temperature_2m_max", "\u00B0C") ||
        !unitIs(*json, "daily_units", "temperature_2m_min", "\u00B0C") ||
        !unitIs(*json, "hourly_units", "pressure_msl", "hPa")) {
        return false;
    }
    ForecastAnswer out;
    const std::optional<std::string> zone = stringAt(*json, "timezone_abbreviation");
    if (!zone || !readCurrent(*json, &out) || !readHourly(*json, &out) || !readDaily(*json, &out))
        return false;
    out.timezoneAbbreviation = *zone;
    *answer = std::move(out);
    return true;
}

int32_t pressureTendency(const ForecastAnswer& answer) {
    if (answer.pressureHistory.empty())
        return 0;  // parseForecastAnswer gives none without a history
    const int64_t now = answer.time.days * 1440 + answer.time.minutes;
    const int64_t threeHoursBefore = (now / 60 - 3) * 60;
    double before = answer.pressureHistory.front().second;
    for (const auto& [time, pressure] : answer.pressureHistory) {
        if (time.days * 1440 + time.minutes == threeHoursBefore)
            before = pressure;
    }
    const double change = answer.pressure - before;
    if (std::abs(change) < 1.0)
        return 0;
    return change > 0 ? 1 : 2;
}

}  // namespace nubivo::live
