#include "hosts/sample/sample_feed.h"

#include "hosts/core/feed_document.h"
#include "hosts/sample/sample_weather.h"

namespace nubivo::sample {

std::string feedDocument(std::string_view location, bool metric, int64_t now,
                         std::string_view iconBase) {
    const host::FeedValues values = sampleWeather(location, metric, now);
    host::FeedChannel channel;
    channel.link = std::string(iconBase);
    channel.description = "Sample weather from the bundled Nubivo host";
    channel.ttlMinutes = 60;
    channel.iconUrl =
        std::string(iconBase) + "/icons/" + std::to_string(values.conditionCode) + ".png";
    return host::writeFeed(values, channel);
}

}  // namespace nubivo::sample
