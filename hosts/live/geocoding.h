#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "feed/feed_request.h"
#include "hosts/live/json_fields.h"

namespace nubivo::live {

// What the viewer asked for, ready for the geocoding service: a place name or a postal code,
// and the two-letter country code split off its end ("Paris FR"), if any.
struct LocationQuery {
    std::string name;
    std::string countryCode;  // "" or two upper-case letters

    // One text per query, for the caches: "paris|FR" (the name in lower case).
    std::string key() const;
};

// The query of a location as the viewer sends it; nullopt when it is empty after trimming,
// or longer than maxLocationBytes. A trailing word of two ASCII letters after a space (and
// an optional comma) is the country code.
std::optional<LocationQuery> parseLocationQuery(std::string_view location);

// `query` without its country split off ("Lake Ha"), for a second try; nullopt when it had
// no country code.
std::optional<LocationQuery> unsplitQuery(std::string_view location);

// A found place, as the host keeps it.
struct Place {
    std::string name;
    std::string admin1;       // the state or region; may be empty
    std::string countryCode;  // two letters
    double latitude = 0;
    double longitude = 0;

    // One text per place, for the weather cache: its position to four decimals.
    std::string key() const;
};

// `text` with every byte but A-Z a-z 0-9 - . _ ~ percent-encoded (UTF-8 bytes included).
std::string urlEncode(std::string_view text);

// The search request of `query` on the service at `base` (".../v1/search").
std::string geocodingUrl(const std::string& base, const LocationQuery& query);

enum class GeocodingResult {
    Found,
    NotFound,  // a well-formed answer without a fitting place
    Invalid,   // no answer of the documented shape
};

// The first result of a search answer that is a usable place in the query's country.
GeocodingResult parseGeocodingAnswer(std::string_view body, const LocationQuery& query,
                                     Place* place);

// A place as JSON for the disk cache, and back (nullopt for anything else).
Json placeToJson(const Place& place);
std::optional<Place> placeFromJson(const Json& json);

}  // namespace nubivo::live
