#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nubivo::host {

// `text` with & < > " written as entities, '/' as "&#47;" (a '/' would end a value for the
// viewer), control bytes as spaces and bytes that are no UTF-8 as '?'. Stops before the
// first character whose escaped form would take the result past `maxBytes`, so a long text
// is cut on a character boundary and never inside an entity.
std::string escapeXml(std::string_view text, size_t maxBytes = std::string_view::npos);

// One forecast day, in the units of its feed. A number the source lacks is left empty and
// written as an empty value.
struct ForecastEntry {
    std::string day;   // "Mon"
    std::string date;  // "7 Dec 2026"
    std::optional<int32_t> low;
    std::optional<int32_t> high;
    std::string text;
    std::optional<int32_t> code;
};

// The weather of one feed, already in the units asked for. Texts are raw: the writer
// escapes them. A number the source lacks is left empty and written as an empty value (which
// the viewer reads as 0), never made up.
struct FeedValues {
    std::string city;
    std::string region;
    std::string country;  // two letters or empty
    bool metric = true;   // C km mb kph, else F mi in mph
    std::optional<int32_t> windChill;
    std::optional<int32_t> windDirection;  // degrees
    std::optional<int32_t> windSpeed;
    std::optional<int32_t> humidity;    // percent
    std::optional<int32_t> visibility;  // hundredths of the distance unit
    std::optional<double> pressure;     // mb (one decimal written) or inHg (two)
    std::optional<int32_t> rising;      // 0 steady, 1 rising, 2 falling
    std::string sunrise;                // "7:45 am"; empty when the sun does not rise or set
    std::string sunset;
    std::string latitude;
    std::string longitude;
    std::string conditionText;
    int32_t conditionCode = 0;
    int32_t conditionTemp = 0;
    std::string conditionDate;
    std::vector<ForecastEntry> forecasts;  // the first seven are written
};

// What a feed says about itself and where its icon is.
struct FeedChannel {
    // The host's own address, e.g. "http://127.0.0.1:8642", and the icon's absolute URL:
    // written as they stand, without spaces, quotes, '<', '>' or '&'.
    std::string link;
    std::string description;  // the channel's description, e.g. the data's credit
    int32_t ttlMinutes = 60;
    std::string iconUrl;
};

// Longest feed document writeFeed produces, in bytes: every text is cut to a share of it.
inline constexpr size_t maxFeedBytes = 4095;

// The RSS document in the viewer's dialect: location, units, wind, atmosphere, astronomy,
// position, condition, an IMG naming the icon and up to seven forecasts. Every value is
// double-quoted and free of '/', and the whole is at most maxFeedBytes for any input.
std::string writeFeed(const FeedValues& values, const FeedChannel& channel);

}  // namespace nubivo::host
