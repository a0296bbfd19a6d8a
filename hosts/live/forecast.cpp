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

constexpr const char* celsius = "\u00B0C";

enum class Unit { Asked, Undefined, Other };

// The unit the answer's table `units` gives `variable`: the one asked for (also when the
// table does not say, or when `asked` is null and any unit will do), "undefined" for a
// variable no model covers, or another.
Unit unitOf(const Json& answer, const char* units, const char* variable, const char* asked) {
    const Json* table = objectAt(answer, units);
    if (table == nullptr || !table->contains(variable))
        return Unit::Asked;
    const std::optional<std::string> unit = stringAt(*table, variable);
    if (unit == "undefined")
        return Unit::Undefined;
    return unit && (asked == nullptr || *unit == asked) ? Unit::Asked : Unit::Other;
}

// A value read with its unit into `out`, left empty for a null or an undefined unit; false
// when the value is missing or mistyped or its unit is another.
template <typename T>
bool take(Unit unit, const Nullable<T>& value, std::optional<T>* out) {
    if (unit == Unit::Other || !value.valid)
        return false;
    *out = unit == Unit::Undefined ? std::nullopt : value.value;
    return true;
}

bool readCurrent(const Json& answer, ForecastAnswer* out) {
    const Json* current = objectAt(answer, "current");
    if (current == nullptr)
        return false;
    const auto value = [&](const char* variable, const char* unit, std::optional<double>* into) {
        return take(unitOf(answer, "current_units", variable, unit),
                    nullableNumberAt(*current, variable), into);
    };
    const auto code = [&](const char* variable, std::optional<int32_t>* into) {
        return take(unitOf(answer, "current_units", variable, nullptr),
                    nullableIntegerAt(*current, variable), into);
    };
    const std::optional<std::string> time = stringAt(*current, "time");
    const std::optional<LocalTime> local = time ? parseLocalTime(*time) : std::nullopt;
    std::optional<double> temperature;
    std::optional<int32_t> weatherCode;
    std::optional<int32_t> isDay;
    if (!local || !value("temperature_2m", celsius, &temperature) ||
        !value("apparent_temperature", celsius, &out->apparentTemperature) ||
        !value("relative_humidity_2m", nullptr, &out->humidity) ||
        !code("weather_code", &weatherCode) || !code("is_day", &isDay) ||
        !value("pressure_msl", "hPa", &out->pressure) ||
        !value("wind_speed_10m", "km/h", &out->windSpeed) ||
        !value("wind_direction_10m", nullptr, &out->windDirection) ||
        !value("visibility", "m", &out->visibility)) {
        return false;
    }
    // Without these two there is no weather to show.
    if (!temperature || !weatherCode)
        return false;
    out->time = *local;
    out->temperature = *temperature;
    out->weatherCode = *weatherCode;
    out->isDay = isDay.value_or(1) != 0;
    return true;
}

bool readHourly(const Json& answer, ForecastAnswer* out) {
    const Json* hourly = objectAt(answer, "hourly");
    const Json* times = hourly ? arrayAt(*hourly, "time", 1) : nullptr;
    const Json* pressures = hourly ? arrayAt(*hourly, "pressure_msl") : nullptr;
    if (times == nullptr || pressures == nullptr || pressures->size() != times->size())
        return false;
    const Unit unit = unitOf(answer, "hourly_units", "pressure_msl", "hPa");
    for (size_t i = 0; i < times->size(); ++i) {
        const std::optional<std::string> time = stringIn(*times, i);
        const std::optional<LocalTime> local = time ? parseLocalTime(*time) : std::nullopt;
        std::optional<double> pressure;
        if (!local || !take(unit, nullableNumberIn(*pressures, i), &pressure))
            return false;
        if (pressure)
            out->pressureHistory.emplace_back(*local, *pressure);
    }
    return true;
}

// Reads sunrise or sunset `i`: a time, or empty for a null or an empty text.
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

bool atMidnight(const std::optional<LocalTime>& time, int64_t days) {
    return time && time->days == days && time->minutes == 0;
}

// The service never leaves sun times out. In a polar night it gives sunrise = sunset = the
// day's midnight, in a polar day sunrise at the day's midnight and sunset at the next: the sun
// neither rises nor sets then. (A real sunrise or sunset at midnight never comes with that
// pair.)
void clearPolarSunTimes(ForecastDay* day) {
    const int64_t date = day->date.days;
    if (atMidnight(day->sunrise, date) &&
        (atMidnight(day->sunset, date) || atMidnight(day->sunset, date + 1))) {
        day->sunrise.reset();
        day->sunset.reset();
    }
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
    const Unit codeUnit = unitOf(answer, "daily_units", "weather_code", nullptr);
    const Unit highUnit = unitOf(answer, "daily_units", "temperature_2m_max", celsius);
    const Unit lowUnit = unitOf(answer, "daily_units", "temperature_2m_min", celsius);
    for (size_t i = 0; i < count && i < 7; ++i) {
        const std::optional<std::string> date = stringIn(*times, i);
        const std::optional<LocalTime> day = date ? parseLocalTime(*date) : std::nullopt;
        if (!day)
            return false;
        ForecastDay forecast;
        forecast.date = *day;
        if (!take(codeUnit, nullableIntegerIn(*codes, i), &forecast.weatherCode) ||
            !take(highUnit, nullableNumberIn(*highs, i), &forecast.high) ||
            !take(lowUnit, nullableNumberIn(*lows, i), &forecast.low) ||
            !readSunTime(*sunrises, i, &forecast.sunrise) ||
            !readSunTime(*sunsets, i, &forecast.sunset)) {
            return false;
        }
        clearPolarSunTimes(&forecast);
        out->days.push_back(forecast);
    }
    return true;
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
    ForecastAnswer out;
    const std::optional<std::string> zone = stringAt(*json, "timezone_abbreviation");
    if (!zone || !readCurrent(*json, &out) || !readHourly(*json, &out) || !readDaily(*json, &out))
        return false;
    out.timezoneAbbreviation = *zone;
    *answer = std::move(out);
    return true;
}

std::optional<int32_t> pressureTendency(const ForecastAnswer& answer) {
    if (!answer.pressure || answer.pressureHistory.empty())
        return std::nullopt;
    const int64_t now = answer.time.days * 1440 + answer.time.minutes;
    const int64_t threeHoursBefore = (now / 60 - 3) * 60;
    double before = answer.pressureHistory.front().second;
    for (const auto& [time, pressure] : answer.pressureHistory) {
        if (time.days * 1440 + time.minutes == threeHoursBefore)
            before = pressure;
    }
    const double change = *answer.pressure - before;
    if (std::abs(change) < 1.0)
        return 0;
    return change > 0 ? 1 : 2;
}

}  // namespace nubivo::live
