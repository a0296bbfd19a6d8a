#include "hosts/core/feed_document.h"

#include <algorithm>
#include <cstdio>

namespace nubivo::host {
namespace {

// Byte budgets of the escaped texts; together with the fixed markup they keep a document
// of seven forecasts under maxFeedBytes (checked by the tests with the longest texts). A
// value the viewer keeps in a smaller field gets that field's size, so that the viewer never
// has to cut it, perhaps inside a character.
constexpr size_t cityBytes = 254;
constexpr size_t titlePlaceBytes = 96;
constexpr size_t regionBytes = 120;
constexpr size_t countryBytes = 2;
constexpr size_t shortBytes = 15;  // sunrise, sunset, latitude, longitude
constexpr size_t dayBytes = 3;
constexpr size_t conditionBytes = 64;
constexpr size_t dateBytes = 64;
constexpr size_t forecastDateBytes = 24;
constexpr size_t forecastTextBytes = 40;
constexpr size_t linkBytes = 112;
constexpr size_t descriptionBytes = 96;
constexpr size_t iconBytes = 240;
constexpr size_t maxForecasts = 7;

// The length of the well-formed UTF-8 sequence at `text[i]`, or 0.
size_t sequenceLength(std::string_view text, size_t i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const size_t length = byte >= 0xF0 && byte < 0xF5   ? 4
                          : byte >= 0xE0 && byte < 0xF0 ? 3
                          : byte >= 0xC2 && byte < 0xE0 ? 2
                                                        : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// A URL the host made itself, written as it stands (the viewer decodes no entities), with
// any byte that could end its value or its element dropped; cut to `maxBytes`.
std::string plainUrl(std::string_view url, size_t maxBytes) {
    std::string out;
    for (char c : url.substr(0, maxBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F && c != '"' && c != '<' && c != '>' && c != '&')
            out += c;
    }
    return out;
}

void appendNumber(std::string& out, int32_t value) {
    out += std::to_string(value);
}

// Nothing for a number the source lacks.
void appendNumber(std::string& out, const std::optional<int32_t>& value) {
    if (value)
        appendNumber(out, *value);
}

// " High: 8" in the description's text, or nothing.
std::string described(const char* label, const std::optional<int32_t>& value) {
    return value ? std::string(" ") + label + ": " + std::to_string(*value) : std::string();
}

}  // namespace

std::string escapeXml(std::string_view text, size_t maxBytes) {
    std::string out;
    out.reserve(std::min(text.size(), maxBytes));
    size_t i = 0;
    while (i < text.size()) {
        std::string_view unit;
        size_t step = 1;
        char single[1];
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            // Keep whole, well-formed UTF-8 sequences only.
            const size_t length = sequenceLength(text, i);
            if (length > 0) {
                unit = text.substr(i, length);
                step = length;
            } else {
                unit = "?";
            }
        } else if (byte == '&') {
            unit = "&amp;";
        } else if (byte == '<') {
            unit = "&lt;";
        } else if (byte == '>') {
            unit = "&gt;";
        } else if (byte == '"') {
            unit = "&quot;";
        } else if (byte == '/') {
            unit = "&#47;";
        } else {
            single[0] = byte < 0x20 || byte == 0x7F ? ' ' : static_cast<char>(byte);
            unit = std::string_view(single, 1);
        }
        if (out.size() + unit.size() > maxBytes)
            break;
        out.append(unit);
        i += step;
    }
    return out;
}

std::string writeFeed(const FeedValues& w, const FeedChannel& channel) {
    const std::string city = escapeXml(w.city, cityBytes);
    const std::string country = escapeXml(w.country, countryBytes);
    const std::string titleCity = escapeXml(w.city, titlePlaceBytes);
    const std::string place = country.empty() ? titleCity : titleCity + ", " + country;
    const std::string date = escapeXml(w.conditionDate, dateBytes);
    const std::string condition = escapeXml(w.conditionText, conditionBytes);
    const std::string icon = plainUrl(channel.iconUrl, iconBytes);
    char pressure[32] = "";
    if (w.pressure)
        std::snprintf(pressure, sizeof pressure, w.metric ? "%.1f" : "%.2f", *w.pressure);
    const char* unit = w.metric ? "C" : "F";
    const size_t forecastCount = std::min(w.forecasts.size(), maxForecasts);

    std::string doc;
    doc.reserve(3072);
    doc += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n";
    doc +=
        "<rss version=\"2.0\" xmlns:nweather=\"urn:nubivo:weather\" "
        "xmlns:geo=\"urn:nubivo:geo\">\n<channel>\n";
    doc += "<title>Nubivo Weather - " + place + "</title>\n";
    doc += "<link>" + plainUrl(channel.link, linkBytes) + "</link>\n";
    doc += "<description>" + escapeXml(channel.description, descriptionBytes) + "</description>\n";
    doc += "<language>en-us</language>\n<ttl>";
    appendNumber(doc, std::clamp(channel.ttlMinutes, 1, 100000));
    doc += "</ttl>\n";
    doc += "<nweather:location city=\"" + city + "\" region=\"" + escapeXml(w.region, regionBytes) +
           "\" country=\"" + country + "\" />\n";
    doc += std::string("<nweather:units temperature=\"") + unit + "\" distance=\"" +
           (w.metric ? "km" : "mi") + "\" pressure=\"" + (w.metric ? "mb" : "in") + "\" speed=\"" +
           (w.metric ? "kph" : "mph") + "\" />\n";
    doc += "<nweather:wind chill=\"";
    appendNumber(doc, w.windChill);
    doc += "\" direction=\"";
    appendNumber(doc, w.windDirection);
    doc += "\" speed=\"";
    appendNumber(doc, w.windSpeed);
    doc += "\" />\n<nweather:atmosphere humidity=\"";
    appendNumber(doc, w.humidity);
    doc += "\" visibility=\"";
    appendNumber(doc, w.visibility);
    doc += "\" pressure=\"" + std::string(pressure) + "\" rising=\"";
    appendNumber(doc, w.rising);
    doc += "\" />\n<nweather:astronomy sunrise=\"" + escapeXml(w.sunrise, shortBytes) +
           "\" sunset=\"" + escapeXml(w.sunset, shortBytes) + "\" />\n";
    doc += "<item>\n<title>Conditions for " + place + " at " + date + "</title>\n";
    doc += "<geo:lat>" + escapeXml(w.latitude, shortBytes) + "</geo:lat>\n<geo:long>" +
           escapeXml(w.longitude, shortBytes) + "</geo:long>\n";
    doc += "<pubDate>" + date + "</pubDate>\n";
    doc += "<nweather:condition text=\"" + condition + "\" code=\"";
    appendNumber(doc, w.conditionCode);
    doc += "\" temp=\"";
    appendNumber(doc, w.conditionTemp);
    doc += "\" date=\"" + date + "\" />\n";
    doc += "<description><![CDATA[\n<img src=\"" + icon +
           "\"/><br />\n<b>Current Conditions:</b><br />\n";
    doc += condition + ", " + std::to_string(w.conditionTemp) + " " + unit +
           "<br />\n<br /><b>Forecast:</b><br />\n";
    std::string forecastElements;
    for (size_t i = 0; i < forecastCount; ++i) {
        const ForecastEntry& f = w.forecasts[i];
        const std::string day = escapeXml(f.day, dayBytes);
        const std::string text = escapeXml(f.text, forecastTextBytes);
        doc += day + " - " + text + "." + described("High", f.high) + described("Low", f.low) +
               "<br />\n";
        forecastElements += "<nweather:forecast day=\"" + day + "\" date=\"" +
                            escapeXml(f.date, forecastDateBytes) + "\" low=\"";
        appendNumber(forecastElements, f.low);
        forecastElements += "\" high=\"";
        appendNumber(forecastElements, f.high);
        forecastElements += "\" text=\"" + text + "\" code=\"";
        appendNumber(forecastElements, f.code);
        forecastElements += "\" />\n";
    }
    doc += "]]></description>\n";
    doc += forecastElements;
    doc += "</item>\n</channel>\n</rss>\n";
    return doc;
}

}  // namespace nubivo::host
