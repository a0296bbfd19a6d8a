#include "tools/sample_host/sample_feed.h"

#include <cstdio>

#include "tools/sample_host/sample_weather.h"

namespace nubivo::sample {
namespace {

void appendNumber(std::string& out, int32_t value) {
    out += std::to_string(value);
}

}  // namespace

std::string escapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            // Keep whole, well-formed UTF-8 sequences only.
            const size_t length = byte >= 0xF0 && byte < 0xF5   ? 4
                                  : byte >= 0xE0                ? 3
                                  : byte >= 0xC2 && byte < 0xE0 ? 2
                                                                : 0;
            bool good = length > 0 && byte < 0xF5 && i + length <= text.size();
            for (size_t k = 1; good && k < length; ++k) {
                good = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
            }
            if (good) {
                out.append(text.substr(i, length));
                i += length;
            } else {
                out += '?';
                ++i;
            }
            continue;
        }
        switch (byte) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '/':
                out += "&#47;";
                break;
            default:
                out += byte < 0x20 || byte == 0x7F ? ' ' : static_cast<char>(byte);
                break;
        }
        ++i;
    }
    return out;
}

std::string feedDocument(std::string_view location, bool metric, int64_t now,
                         std::string_view iconBase) {
    const WeatherValues w = sampleWeather(location, metric, now);
    const std::string city = escapeXml(w.city);
    const std::string place = w.country.empty() ? city : city + ", " + escapeXml(w.country);
    const std::string icon =
        std::string(iconBase) + "/icons/" + std::to_string(w.conditionCode) + ".png";
    char pressure[32];
    std::snprintf(pressure, sizeof pressure, metric ? "%.1f" : "%.2f", w.pressure);
    const char* unit = metric ? "C" : "F";

    std::string doc;
    doc.reserve(3072);
    doc += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n";
    doc +=
        "<rss version=\"2.0\" xmlns:nweather=\"urn:nubivo:weather\" "
        "xmlns:geo=\"urn:nubivo:geo\">\n<channel>\n";
    doc += "<title>Nubivo Weather - " + place + "</title>\n";
    doc += "<link>" + std::string(iconBase) + "</link>\n";
    doc += "<description>Sample weather from the bundled Nubivo host</description>\n";
    doc += "<language>en-us</language>\n<ttl>60</ttl>\n";
    doc += "<nweather:location city=\"" + city + "\" region=\"" + escapeXml(w.region) +
           "\" country=\"" + escapeXml(w.country) + "\" />\n";
    doc += std::string("<nweather:units temperature=\"") + unit + "\" distance=\"" +
           (metric ? "km" : "mi") + "\" pressure=\"" + (metric ? "mb" : "in") + "\" speed=\"" +
           (metric ? "kph" : "mph") + "\" />\n";
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
    doc +=
        "\" />\n<nweather:astronomy sunrise=\"" + w.sunrise + "\" sunset=\"" + w.sunset + "\" />\n";
    doc += "<item>\n<title>Conditions for " + place + " at " + escapeXml(w.conditionDate) +
           "</title>\n";
    doc += "<geo:lat>" + w.latitude + "</geo:lat>\n<geo:long>" + w.longitude + "</geo:long>\n";
    doc += "<pubDate>" + escapeXml(w.conditionDate) + "</pubDate>\n";
    doc +=
        "<nweather:condition text=\"" + std::string(conditionText(w.conditionCode)) + "\" code=\"";
    appendNumber(doc, w.conditionCode);
    doc += "\" temp=\"";
    appendNumber(doc, w.conditionTemp);
    doc += "\" date=\"" + escapeXml(w.conditionDate) + "\" />\n";
    doc += "<description><![CDATA[\n<img src=\"" + icon +
           "\"/><br />\n<b>Current Conditions:</b><br />\n";
    doc += std::string(conditionText(w.conditionCode)) + ", " + std::to_string(w.conditionTemp) +
           " " + unit + "<br />\n<br /><b>Forecast:</b><br />\n";
    for (const ForecastValues& f : w.forecasts) {
        doc += f.day + " - " + conditionText(f.code) + ". High: " + std::to_string(f.high) +
               " Low: " + std::to_string(f.low) + "<br />\n";
    }
    doc += "]]></description>\n";
    for (const ForecastValues& f : w.forecasts) {
        doc += "<nweather:forecast day=\"" + f.day + "\" date=\"" + f.date + "\" low=\"";
        appendNumber(doc, f.low);
        doc += "\" high=\"";
        appendNumber(doc, f.high);
        doc += "\" text=\"" + std::string(conditionText(f.code)) + "\" code=\"";
        appendNumber(doc, f.code);
        doc += "\" />\n";
    }
    doc += "</item>\n</channel>\n</rss>\n";
    return doc;
}

}  // namespace nubivo::sample
