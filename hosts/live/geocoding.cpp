#include "hosts/live/geocoding.h"

#include <cmath>
#include <cstdio>

#include "hosts/core/text.h"

namespace nubivo::live {
namespace {

using host::asciiLower;
using host::asciiUpper;
using host::isAsciiLetter;
using host::trimmed;

// Runs of spaces and control bytes as one space, so that "New  York" is "New York".
std::string collapsed(std::string_view text) {
    std::string out;
    for (char c : text) {
        const bool blank = static_cast<unsigned char>(c) < 0x20 || c == ' ' || c == 0x7F;
        if (blank) {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

// One result of a search as a place, when it has a name, a position on the globe and a
// country, and the country is `country` (any country for "").
bool readPlace(const Json& result, std::string_view country, Place* place) {
    const std::optional<std::string> name = stringAt(result, "name");
    const std::optional<double> latitude = numberAt(result, "latitude");
    const std::optional<double> longitude = numberAt(result, "longitude");
    const std::optional<std::string> code = stringAt(result, "country_code");
    if (!name || name->empty() || !latitude || !longitude || !code || code->size() != 2)
        return false;
    if (std::abs(*latitude) > 90 || std::abs(*longitude) > 180)
        return false;
    const std::string upperCode = {asciiUpper((*code)[0]), asciiUpper((*code)[1])};
    if (!country.empty() && upperCode != country)
        return false;
    const std::optional<std::string> admin1 = stringAt(result, "admin1");
    place->name = *name;
    place->admin1 = admin1.value_or("");
    place->countryCode = upperCode;
    place->latitude = *latitude;
    place->longitude = *longitude;
    return true;
}

}  // namespace

std::string LocationQuery::key() const {
    std::string key;
    for (char c : name)
        key += asciiLower(c);
    return key + "|" + countryCode;
}

std::optional<LocationQuery> parseLocationQuery(std::string_view location) {
    if (location.size() > maxLocationBytes)
        return std::nullopt;
    const std::string text = collapsed(trimmed(location));
    if (text.empty())
        return std::nullopt;
    LocationQuery query;
    const size_t n = text.size();
    if (n >= 4 && text[n - 3] == ' ' && isAsciiLetter(text[n - 2]) && isAsciiLetter(text[n - 1])) {
        std::string_view name = std::string_view(text).substr(0, n - 3);
        if (!name.empty() && name.back() == ',')
            name.remove_suffix(1);
        name = trimmed(name);
        if (!name.empty()) {
            query.name = std::string(name);
            query.countryCode = {asciiUpper(text[n - 2]), asciiUpper(text[n - 1])};
            return query;
        }
    }
    query.name = text;
    return query;
}

std::optional<LocationQuery> unsplitQuery(std::string_view location) {
    const std::optional<LocationQuery> split = parseLocationQuery(location);
    if (!split || split->countryCode.empty())
        return std::nullopt;
    return LocationQuery{collapsed(trimmed(location)), ""};
}

std::string Place::key() const {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f,%.4f", latitude, longitude);
    return text;
}

std::string urlEncode(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
                           c == '_' || c == '~';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    }
    return out;
}

std::string geocodingUrl(const std::string& base, const LocationQuery& query) {
    std::string url = base + "?name=" + urlEncode(query.name) + "&count=10&language=en&format=json";
    if (!query.countryCode.empty())
        url += "&countryCode=" + query.countryCode;
    return url;
}

GeocodingResult parseGeocodingAnswer(std::string_view body, const LocationQuery& query,
                                     Place* place) {
    const std::optional<Json> answer = parseJson(body);
    if (!answer || !answer->is_object())
        return GeocodingResult::Invalid;
    const Json* results = arrayAt(*answer, "results");
    if (results == nullptr) {
        // Without any match the service leaves the key out; anything else there is no answer.
        return answer->contains("results") ? GeocodingResult::Invalid : GeocodingResult::NotFound;
    }
    for (const Json& result : *results) {
        if (readPlace(result, query.countryCode, place))
            return GeocodingResult::Found;
    }
    return GeocodingResult::NotFound;
}

Json placeToJson(const Place& place) {
    return Json{{"name", place.name},
                {"admin1", place.admin1},
                {"country_code", place.countryCode},
                {"latitude", place.latitude},
                {"longitude", place.longitude}};
}

std::optional<Place> placeFromJson(const Json& json) {
    Place place;
    if (!readPlace(json, "", &place))
        return std::nullopt;
    return place;
}

}  // namespace nubivo::live
