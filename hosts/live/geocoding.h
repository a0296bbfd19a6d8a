#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/core/place_text.h"
#include "hosts/live/json_fields.h"

namespace nubivo::live {

// One search of the geocoding service: its name parameter ("Paris", or "Portland, OR" with
// the service's qualifier) and its countryCode filter ("" for none).
struct LocationQuery {
    std::string name;
    std::string countryCode;
};

// A found place, as the host keeps it.
struct Place {
    std::string name;
    std::string admin1;       // the state or region; may be empty
    std::string countryCode;  // two upper-case letters; empty for the few places without
    double latitude = 0;
    double longitude = 0;

    // One text per place, for the weather cache: its position to four decimals.
    std::string key() const;
};

// A place at a typed position, named by it ("77.85°S 166.67°E"), without region or country.
Place placeAt(const host::TypedPosition& position);

// A result of a search: the place and the postal codes the service lists for it.
struct FoundPlace {
    Place place;
    std::vector<std::string> postcodes;
};

// `text` with every byte but A-Z a-z 0-9 - . _ ~ percent-encoded (UTF-8 bytes included).
std::string urlEncode(std::string_view text);

// The search request of `query` on the service at `base` (".../v1/search"), for the most
// results the service gives (100), so that the host's own choice sees every candidate.
std::string geocodingUrl(const std::string& base, const LocationQuery& query);

// The usable results of a search answer in the service's order (a name, a position on the
// globe, and a two-letter country code or none); an empty list for an answer without
// "results". Nullopt when the answer is not of the documented shape.
std::optional<std::vector<FoundPlace>> parseGeocodingAnswer(std::string_view body);

// A place as JSON for the disk cache, and back (nullopt for anything else).
Json placeToJson(const Place& place);
std::optional<Place> placeFromJson(const Json& json);

}  // namespace nubivo::live
