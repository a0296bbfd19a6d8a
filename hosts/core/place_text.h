#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace nubivo::host {

// The longest location the viewer sends, in bytes.
inline constexpr size_t maxPlaceTextBytes = 254;

// A position typed as the place: decimal degrees, north and east positive.
struct TypedPosition {
    double latitude = 0;
    double longitude = 0;
};

// `position` as a place's name: "77.85°S 166.67°E".
std::string positionName(const TypedPosition& position);

// A location as people type it, read the same way by both hosts:
//   "Paris"            name "Paris"
//   "Paris FR"         name "Paris", code "FR" (a last word of two ASCII letters)
//   "Paris, FR"        the same, with `comma` set
//   "Portland, Oregon" name "Portland", qualifier "Oregon" (what follows the last comma)
//   "10967 DE"         name "10967", code "DE"
//   "-77.85, 166.67"   a position, name "-77.85, 166.67"
// Blanks and control bytes are trimmed and their runs read as one space; letter case is kept
// except in the code, which is upper case.
struct PlaceText {
    std::string whole;  // the whole text, trimmed and collapsed
    std::string name;   // `whole` without the code or qualifier
    std::string code;   // "" or two upper-case letters
    std::string qualifier;
    bool comma = false;  // the code or qualifier followed a comma
    std::optional<TypedPosition> position;

    // One text per reading, for caches: "paris|FR|" (ASCII letters in lower case).
    std::string key() const;
};

// The reading of `text`; nullopt when it is empty after trimming or longer than
// maxPlaceTextBytes.
std::optional<PlaceText> readPlaceText(std::string_view text);

// `text` with ASCII letters in lower case, or in upper case.
std::string asciiLower(std::string_view text);
std::string asciiUpper(std::string_view text);

}  // namespace nubivo::host
