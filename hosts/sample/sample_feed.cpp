#include "hosts/sample/sample_feed.h"

#include "hosts/core/feed_document.h"
#include "hosts/sample/sample_weather.h"

namespace nubivo::sample {

std::string feedDocument(std::string_view location, bool metric, int64_t now,
                         std::string_view iconBase) {
    const WeatherValues w = sampleWeather(location, metric, now);
    host::FeedValues values;
    values.city = w.city;
    values.region = w.region;
    values.country = w.country;
    values.metric = metric;
    values.windChill = w.windChill;
    values.windDirection = w.windDirection;
    values.windSpeed = w.windSpeed;
    values.humidity = w.humidity;
    values.visibility = w.visibility;
    values.pressure = w.pressure;
    values.rising = w.rising;
    values.sunrise = w.sunrise;
    values.sunset = w.sunset;
    values.latitude = w.latitude;
    values.longitude = w.longitude;
    values.conditionText = conditionText(w.conditionCode);
    values.conditionCode = w.conditionCode;
    values.conditionTemp = w.conditionTemp;
    values.conditionDate = w.conditionDate;
    for (const ForecastValues& f : w.forecasts) {
        values.forecasts.push_back(
            host::ForecastEntry{f.day, f.date, f.low, f.high, conditionText(f.code), f.code});
    }
    host::FeedChannel channel;
    channel.link = std::string(iconBase);
    channel.description = "Sample weather from the bundled Nubivo host";
    channel.ttlMinutes = 60;
    channel.iconUrl = std::string(iconBase) + "/icons/" + std::to_string(w.conditionCode) + ".png";
    return host::writeFeed(values, channel);
}

}  // namespace nubivo::sample
