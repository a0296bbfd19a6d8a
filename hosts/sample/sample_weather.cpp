#include "hosts/sample/sample_weather.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>

#include "hosts/core/calendar.h"
#include "hosts/core/place_text.h"
#include "hosts/core/units.h"

namespace nubivo::sample {
namespace {

using host::CivilDate;
using host::civilDate;
using host::floorDiv;

constexpr int64_t secondsPerDay = 86400;

struct ConditionName {
    int32_t code;
    const char* text;
};

constexpr ConditionName conditionNames[] = {
    {Sunny, "Sunny"},
    {Clear, "Clear"},
    {PartlyCloudy, "Partly Cloudy"},
    {Cloudy, "Cloudy"},
    {LightRain, "Light Rain"},
    {Rain, "Rain"},
    {Thunderstorms, "Thunderstorms"},
    {Snow, "Snow"},
    {Sleet, "Sleet"},
    {Fog, "Fog"},
    {Windy, "Windy"},
};

// A small deterministic generator (splitmix64): the same seed gives the same values.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double between(double low, double high) { return low + (high - low) * unit(); }

  private:
    uint64_t state_;
};

// FNV-1a over the place's text with ASCII letters folded.
uint64_t locationHash(std::string_view location) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (char c : location) {
        const char folded = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        hash = (hash ^ static_cast<unsigned char>(folded)) * 0x100000001B3ull;
    }
    return hash;
}

// Cut to maxLocationBytes without splitting a UTF-8 sequence.
std::string_view capped(std::string_view text) {
    if (text.size() <= maxLocationBytes)
        return text;
    size_t end = maxLocationBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

struct Area {
    const char* code;
    const char* name;
    double latLow, latHigh, lonLow, lonHigh;
};

// Rough land boxes of the countries the bundled lists name; a city lands somewhere inside.
constexpr Area areas[] = {
    {"FR", "France", 43.3, 50.6, -1.5, 7.5},
    {"DE", "Germany", 47.8, 54.5, 6.5, 14.5},
    {"IT", "Italy", 38.0, 45.9, 8.0, 16.5},
    {"JP", "Japan", 33.0, 43.2, 130.5, 141.5},
    {"AU", "Australia", -37.8, -12.5, 115.5, 150.5},
    {"CA", "Canada", 43.6, 53.6, -123.4, -63.5},
    {"US", "United States", 26.0, 47.5, -122.0, -71.0},
};

struct ZipPlace {
    const char* zip;
    const char* city;
    const char* state;
    double lat, lon;
};

constexpr ZipPlace zipPlaces[] = {
    {"10001", "New York", "NY", 40.75, -73.99},    {"90001", "Los Angeles", "CA", 33.97, -118.25},
    {"60601", "Chicago", "IL", 41.88, -87.62},     {"77001", "Houston", "TX", 29.76, -95.37},
    {"85001", "Phoenix", "AZ", 33.45, -112.07},    {"19102", "Philadelphia", "PA", 39.95, -75.16},
    {"78205", "San Antonio", "TX", 29.42, -98.49}, {"92101", "San Diego", "CA", 32.72, -117.16},
    {"75201", "Dallas", "TX", 32.78, -96.80},      {"98101", "Seattle", "WA", 47.61, -122.33},
    {"02108", "Boston", "MA", 42.36, -71.06},      {"33101", "Miami", "FL", 25.77, -80.19},
    {"80202", "Denver", "CO", 39.74, -104.99},
};

struct Place {
    std::string city;
    std::string region;
    std::string country;
    double lat = 0;
    double lon = 0;
};

bool isZip(std::string_view text) {
    return text.size() == 5 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Where the place read from the location is: its typed position, a known ZIP, a name with
// a country code, or a free name placed somewhere by its hash.
Place resolvePlace(const std::optional<host::PlaceText>& reading, uint64_t hash) {
    Random random(hash);
    if (!reading)
        return Place{"Unknown", "", "", random.between(-45.0, 60.0), random.between(-179.0, 179.0)};
    if (reading->position) {
        return Place{host::positionName(*reading->position), "", "", reading->position->latitude,
                     reading->position->longitude};
    }
    if (isZip(reading->name) && (reading->code.empty() || reading->code == "US")) {
        for (const ZipPlace& zip : zipPlaces) {
            if (reading->name == zip.zip) {
                return Place{zip.city, zip.state, "US", zip.lat, zip.lon};
            }
        }
        const Area& us = areas[std::size(areas) - 1];
        return Place{reading->name, "", "US", random.between(us.latLow, us.latHigh),
                     random.between(us.lonLow, us.lonHigh)};
    }
    Place place;
    place.city = reading->name;
    place.region = reading->qualifier;
    place.country = reading->code;
    place.lat = random.between(-45.0, 60.0);
    place.lon = random.between(-179.0, 179.0);
    for (const Area& area : areas) {
        if (place.country == area.code) {
            place.region = area.name;
            place.lat = random.between(area.latLow, area.latHigh);
            place.lon = random.between(area.lonLow, area.lonHigh);
        }
    }
    return place;
}

// A day's weather in metric units, before rounding.
struct Day {
    double low;
    double high;
    int32_t code;
    double windKph;
    int32_t windDirection;
    int32_t humidity;
    double visibilityKm;
    double pressureMb;
    int32_t rising;
};

Day dayWeather(uint64_t hash, int64_t day, double lat) {
    Random random(hash ^ (static_cast<uint64_t>(day) * 0xD1B54A32D192ED03ull));
    const CivilDate date = civilDate(day);
    const double latRad = std::abs(lat) * std::numbers::pi / 180.0;
    const double annualMean = 27.0 * std::pow(std::cos(latRad), 1.3) - 3.0;
    const double amplitude = 0.22 * std::abs(lat);
    double season = std::cos(2.0 * std::numbers::pi * (date.dayOfYear - 196) / 365.0);
    if (lat < 0)
        season = -season;
    const double mean = annualMean + amplitude * season + random.between(-4.0, 4.0);

    const double roll = random.unit();
    int32_t code = roll < 0.25   ? Sunny
                   : roll < 0.45 ? PartlyCloudy
                   : roll < 0.60 ? Cloudy
                   : roll < 0.70 ? LightRain
                   : roll < 0.80 ? Rain
                   : roll < 0.86 ? Thunderstorms
                   : roll < 0.93 ? Fog
                                 : Windy;
    const bool clearSky = code == Sunny || code == PartlyCloudy;
    const double range = clearSky ? random.between(8.0, 13.0) : random.between(3.0, 7.0);
    Day d{};
    d.low = mean - range / 2.0;
    d.high = mean + range / 2.0;
    const bool wet = code == LightRain || code == Rain || code == Thunderstorms;
    if (wet && d.high <= 1.0)
        code = Snow;
    if (wet && d.high > 1.0 && d.high <= 4.0)
        code = Sleet;
    if (code == Thunderstorms && d.high < 12.0)
        code = Rain;
    d.code = code;

    d.windKph = code == Windy ? random.between(38.0, 62.0) : random.between(2.0, 30.0);
    d.windDirection = static_cast<int32_t>(random.next() % 360);
    const bool falling =
        code == Rain || code == LightRain || code == Thunderstorms || code == Snow || code == Sleet;
    if (code == Fog) {
        d.humidity = static_cast<int32_t>(random.between(94.0, 100.0));
        d.visibilityKm = random.between(0.1, 0.9);
    } else if (falling) {
        d.humidity = static_cast<int32_t>(random.between(78.0, 97.0));
        d.visibilityKm = random.between(2.0, 9.0);
    } else {
        d.humidity = static_cast<int32_t>(random.between(35.0, 80.0));
        d.visibilityKm = random.between(10.0, 25.0);
    }
    d.pressureMb = falling ? random.between(984.0, 1008.0) : random.between(1006.0, 1034.0);
    d.rising = static_cast<int32_t>(random.next() % 3);
    return d;
}

int32_t temperature(double celsius, bool metric) {
    return static_cast<int32_t>(std::lround(metric ? celsius : host::fahrenheit(celsius)));
}

// Wind chill by the metric formula, for cold and moving air; the air temperature otherwise.
double windChill(double celsius, double kph) {
    if (celsius > 10.0 || kph < 5.0)
        return celsius;
    const double v = std::pow(kph, 0.16);
    return 13.12 + 0.6215 * celsius - 11.37 * v + 0.3965 * celsius * v;
}

// A time of day in hours as the feed writes it.
std::string clockText(double hours) {
    return host::clockText(static_cast<int32_t>(std::lround(hours * 60.0)));
}

using host::milesPerKm;
constexpr double inchesPerMb = host::inchesOfMercuryPerHectopascal;

}  // namespace

const char* conditionText(int32_t code) {
    for (const ConditionName& name : conditionNames) {
        if (name.code == code)
            return name.text;
    }
    return nullptr;
}

host::IconKind iconOf(int32_t code) {
    using host::IconKind;
    static constexpr IconKind icons[] = {
        IconKind::Sunny,     IconKind::ClearNight, IconKind::PartlyCloudy,  IconKind::Cloudy,
        IconKind::LightRain, IconKind::Rain,       IconKind::Thunderstorms, IconKind::Snow,
        IconKind::Sleet,     IconKind::Fog,        IconKind::Windy,
    };
    if (code < firstConditionCode || code > lastConditionCode)
        return IconKind::Unknown;
    return icons[code - firstConditionCode];
}

WeatherValues sampleWeather(std::string_view location, bool metric, int64_t now) {
    // "Paris FR", "Paris, FR" and " paris fr" are one place with one weather.
    const std::optional<host::PlaceText> reading = host::readPlaceText(capped(location));
    const uint64_t hash =
        locationHash(!reading                ? std::string()
                     : reading->code.empty() ? reading->whole
                                             : reading->name + " " + reading->code);
    const Place place = resolvePlace(reading, hash);

    // Local time by the longitude, in whole hours.
    const int32_t zoneHours = static_cast<int32_t>(std::lround(place.lon / 15.0));
    const int64_t local = now + int64_t{zoneHours} * 3600;
    const int64_t today = floorDiv(local, secondsPerDay);
    const double localHour = static_cast<double>(local - today * secondsPerDay) / 3600.0;
    const CivilDate date = civilDate(today);

    WeatherValues w;
    w.city = place.city;
    w.region = place.region;
    w.country = place.country;
    w.metric = metric;

    const Day day = dayWeather(hash, today, place.lat);
    // Coldest near 3 am, warmest near 3 pm.
    const double swing = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (localHour - 3.0) / 24.0);
    const double nowCelsius = day.low + (day.high - day.low) * swing;
    w.windChill = temperature(windChill(nowCelsius, day.windKph), metric);
    w.windDirection = day.windDirection;
    w.windSpeed =
        static_cast<int32_t>(std::lround(metric ? day.windKph : day.windKph * milesPerKm));
    w.humidity = day.humidity;
    w.visibility = static_cast<int32_t>(
        std::lround((metric ? day.visibilityKm : day.visibilityKm * milesPerKm) * 100.0));
    w.pressure = metric ? std::round(day.pressureMb * 10.0) / 10.0
                        : std::round(day.pressureMb * inchesPerMb * 100.0) / 100.0;
    w.rising = day.rising;

    // Sunrise and sunset from the sun's declination, in the same local time.
    const double declination =
        -23.44 * std::cos(2.0 * std::numbers::pi * (date.dayOfYear + 10) / 365.0);
    const double toRad = std::numbers::pi / 180.0;
    const double cosHour =
        std::clamp(-std::tan(place.lat * toRad) * std::tan(declination * toRad), -1.0, 1.0);
    const double halfDay = std::acos(cosHour) / toRad / 15.0;
    const double solarNoon = 12.0 + (zoneHours * 15.0 - place.lon) / 15.0;
    w.sunrise = clockText(solarNoon - halfDay);
    w.sunset = clockText(solarNoon + halfDay);
    const bool night = localHour < solarNoon - halfDay || localHour > solarNoon + halfDay;

    char number[32];
    std::snprintf(number, sizeof number, "%.2f", place.lat);
    w.latitude = number;
    std::snprintf(number, sizeof number, "%.2f", place.lon);
    w.longitude = number;

    w.conditionCode = night && day.code == Sunny ? Clear : day.code;
    w.conditionTemp = temperature(nowCelsius, metric);
    char stamp[64];
    char zone[16] = "UTC";
    if (zoneHours != 0)
        std::snprintf(zone, sizeof zone, "UTC%+d", zoneHours);
    const int32_t hour = static_cast<int32_t>(localHour);
    std::snprintf(stamp, sizeof stamp, "%s, %02d %s %d %d:00 %s %s",
                  host::weekdayName(date.weekday), date.day, host::monthName(date.month), date.year,
                  hour % 12 == 0 ? 12 : hour % 12, hour < 12 ? "am" : "pm", zone);
    w.conditionDate = stamp;

    for (int32_t i = 0; i < forecastDays; ++i) {
        const Day later = i == 0 ? day : dayWeather(hash, today + i, place.lat);
        const CivilDate laterDate = civilDate(today + i);
        ForecastValues& f = w.forecasts[i];
        f.day = host::weekdayName(laterDate.weekday);
        f.date = std::to_string(laterDate.day) + " " + host::monthName(laterDate.month) + " " +
                 std::to_string(laterDate.year);
        f.low = temperature(later.low, metric);
        f.high = temperature(later.high, metric);
        f.code = later.code;
    }
    return w;
}

}  // namespace nubivo::sample
