#include "hosts/live/weather_codes.h"

namespace nubivo::live {
namespace {

using host::IconKind;

struct WeatherCode {
    int32_t code;
    const char* dayText;
    const char* nightText;
    IconKind dayIcon;
    IconKind nightIcon;
};

// Short enough for the viewer's forecast columns (two lines of 90 pixels).
constexpr WeatherCode weatherCodes[] = {
    {0, "Sunny", "Clear", IconKind::Sunny, IconKind::ClearNight},
    {1, "Mainly Sunny", "Mainly Clear", IconKind::PartlyCloudy, IconKind::PartlyCloudyNight},
    {2, "Partly Cloudy", "Partly Cloudy", IconKind::PartlyCloudy, IconKind::PartlyCloudyNight},
    {3, "Overcast", "Overcast", IconKind::Cloudy, IconKind::Cloudy},
    {45, "Fog", "Fog", IconKind::Fog, IconKind::Fog},
    {48, "Rime Fog", "Rime Fog", IconKind::Fog, IconKind::Fog},
    {51, "Light Drizzle", "Light Drizzle", IconKind::LightRain, IconKind::LightRain},
    {53, "Drizzle", "Drizzle", IconKind::LightRain, IconKind::LightRain},
    {55, "Dense Drizzle", "Dense Drizzle", IconKind::LightRain, IconKind::LightRain},
    {56, "Freezing Drizzle", "Freezing Drizzle", IconKind::Sleet, IconKind::Sleet},
    {57, "Dense Freezing Drizzle", "Dense Freezing Drizzle", IconKind::Sleet, IconKind::Sleet},
    {61, "Light Rain", "Light Rain", IconKind::LightRain, IconKind::LightRain},
    {63, "Rain", "Rain", IconKind::Rain, IconKind::Rain},
    {65, "Heavy Rain", "Heavy Rain", IconKind::Rain, IconKind::Rain},
    {66, "Freezing Rain", "Freezing Rain", IconKind::Sleet, IconKind::Sleet},
    {67, "Heavy Freezing Rain", "Heavy Freezing Rain", IconKind::Sleet, IconKind::Sleet},
    {71, "Light Snow", "Light Snow", IconKind::Snow, IconKind::Snow},
    {73, "Snow", "Snow", IconKind::Snow, IconKind::Snow},
    {75, "Heavy Snow", "Heavy Snow", IconKind::Snow, IconKind::Snow},
    {77, "Snow Grains", "Snow Grains", IconKind::Snow, IconKind::Snow},
    {80, "Light Showers", "Light Showers", IconKind::LightRain, IconKind::LightRain},
    {81, "Showers", "Showers", IconKind::Rain, IconKind::Rain},
    {82, "Violent Showers", "Violent Showers", IconKind::Rain, IconKind::Rain},
    {85, "Snow Showers", "Snow Showers", IconKind::Snow, IconKind::Snow},
    {86, "Heavy Snow Showers", "Heavy Snow Showers", IconKind::Snow, IconKind::Snow},
    {95, "Thunderstorm", "Thunderstorm", IconKind::Thunderstorms, IconKind::Thunderstorms},
    {96, "Thunderstorm, Hail", "Thunderstorm, Hail", IconKind::Thunderstorms,
     IconKind::Thunderstorms},
    {99, "Thunderstorm, Heavy Hail", "Thunderstorm, Heavy Hail", IconKind::Thunderstorms,
     IconKind::Thunderstorms},
};

const WeatherCode* find(int32_t code) {
    for (const WeatherCode& entry : weatherCodes) {
        if (entry.code == code)
            return &entry;
    }
    return nullptr;
}

}  // namespace

const char* weatherText(int32_t code, bool day) {
    const WeatherCode* entry = find(code);
    return entry == nullptr ? "" : day ? entry->dayText : entry->nightText;
}

IconKind weatherIcon(int32_t code, bool day) {
    const WeatherCode* entry = find(code);
    return entry == nullptr ? IconKind::Unknown : day ? entry->dayIcon : entry->nightIcon;
}

}  // namespace nubivo::live
