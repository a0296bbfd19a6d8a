#include "hosts/live/geocoding.h"

#include <cmath>
#include <cstdio>

namespace nubivo::live {
namespace {

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// One result of a search as a place, when it has a name and a position on the globe, and a
// country code of two letters or none.
bool readPlace(const Json& result, Place* place) {
    const std::optional<std::string> name = stringAt(result, "name");
    const std::optional<double> latitude = numberAt(result, "latitude");
    const std::optional<double> longitude = numberAt(result, "longitude");
    const std::string code = stringAt(result, "country_code").value_or("");
    if (!name || name->empty() || !latitude || !longitude || std::abs(*latitude) > 90 ||
        std::abs(*longitude) > 180) {
        return false;
    }
    if (!code.empty() && (code.size() != 2 || !isAsciiLetter(code[0]) || !isAsciiLetter(code[1])))
        return false;
    place->name = *name;
    place->admin1 = stringAt(result, "admin1").value_or("");
    place->countryCode = host::asciiUpper(code);
    place->latitude = *latitude;
    place->longitude = *longitude;
    return true;
}

}  // namespace

std::string Place::key() const {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f,%.4f", latitude, longitude);
    return text;
}

Place placeAt(const host::TypedPosition& position) {
    return Place{host::positionName(position), "", "", position.latitude, position.longitude};
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
    std::string url =
        base + "?name=" + urlEncode(query.name) + "&count=100&language=en&format=json";
    if (!query.countryCode.empty())
        url += "&countryCode=" + query.countryCode;
    return url;
}

std::optional<std::vector<FoundPlace>> parseGeocodingAnswer(std::string_view body) {
    const std::optional<Json> answer = parseJson(body);
    if (!answer || !answer->is_object())
        return std::nullopt;
    const Json* results = arrayAt(*answer, "results");
    std::vector<FoundPlace> found;
    if (results == nullptr) {
        // Without any match the service leaves the key out; anything else there is no answer.
        if (answer->contains("results"))
            return std::nullopt;
        return found;
    }
    for (const Json& result : *results) {
        FoundPlace candidate;
        if (!readPlace(result, &candidate.place))
            continue;
        if (const Json* codes = arrayAt(result, "postcodes")) {
            for (size_t i = 0; i < codes->size(); ++i) {
                if (std::optional<std::string> code = stringIn(*codes, i))
                    candidate.postcodes.push_back(std::move(*code));
            }
        }
        found.push_back(std::move(candidate));
    }
    return found;
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
    if (!readPlace(json, &place))
        return std::nullopt;
    return place;
}

}  // namespace nubivo::live
