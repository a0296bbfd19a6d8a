#include "hosts/core/place_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace nubivo::host {
namespace {

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isBlank(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == ' ' || c == 0x7F;
}

// Trimmed, with every run of blanks as one space, so that " New  York " is "New York".
std::string collapsed(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (!isBlank(c))
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// A decimal number with an optional sign ("-77.85", "166"); `hasPoint` tells whether it had
// a fraction.
std::optional<double> decimal(std::string_view text, bool* hasPoint) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.find_first_not_of("-0123456789.") != std::string_view::npos ||
        text.find('-', 1) != std::string_view::npos)
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    *hasPoint = *hasPoint || text.find('.') != std::string_view::npos;
    return value;
}

// "-77.85, 166.67", "-77.85,166.67" or "-77.85 166.67", at least one with a fraction so that
// two numbers of a postal code are not read as a position.
std::optional<TypedPosition> position(std::string_view text) {
    const size_t split = text.find_first_of(", ");
    if (split == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = text.substr(split + 1);
    if (text[split] == ',' && !rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    bool hasPoint = false;
    const std::optional<double> latitude = decimal(text.substr(0, split), &hasPoint);
    const std::optional<double> longitude = decimal(rest, &hasPoint);
    if (!latitude || !longitude || !hasPoint || std::abs(*latitude) > 90 ||
        std::abs(*longitude) > 180) {
        return std::nullopt;
    }
    return TypedPosition{*latitude, *longitude};
}

}  // namespace

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string positionName(const TypedPosition& position) {
    char name[64];
    std::snprintf(name, sizeof name, "%.2f\u00B0%c %.2f\u00B0%c", std::abs(position.latitude),
                  position.latitude < 0 ? 'S' : 'N', std::abs(position.longitude),
                  position.longitude < 0 ? 'W' : 'E');
    return name;
}

std::string asciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string PlaceText::key() const {
    return asciiLower(name) + "|" + code + "|" + asciiLower(qualifier);
}

std::optional<PlaceText> readPlaceText(std::string_view text) {
    if (text.size() > maxPlaceTextBytes)
        return std::nullopt;
    PlaceText reading;
    reading.whole = collapsed(text);
    if (reading.whole.empty())
        return std::nullopt;
    reading.name = reading.whole;
    reading.position = position(reading.whole);
    if (reading.position)
        return reading;

    const std::string_view whole = reading.whole;
    const size_t n = whole.size();
    const size_t comma = whole.rfind(',');
    std::string_view name;
    if (n >= 4 && (whole[n - 3] == ' ' || whole[n - 3] == ',') && isAsciiLetter(whole[n - 2]) &&
        isAsciiLetter(whole[n - 1])) {
        // "Paris FR", "Paris, FR", "Paris,FR".
        name = trimmed(whole.substr(0, n - 3));
        reading.comma = whole[n - 3] == ',';
        if (!reading.comma && !name.empty() && name.back() == ',') {
            name = trimmed(name.substr(0, name.size() - 1));
            reading.comma = true;
        }
        if (!name.empty())
            reading.code = asciiUpper(whole.substr(n - 2));
    } else if (comma != std::string_view::npos) {
        name = trimmed(whole.substr(0, comma));
        const std::string_view qualifier = trimmed(whole.substr(comma + 1));
        if (!name.empty() && !qualifier.empty()) {
            reading.qualifier = std::string(qualifier);
            reading.comma = true;
        }
    }
    if (!reading.code.empty() || !reading.qualifier.empty())
        reading.name = std::string(name);
    else
        reading.comma = false;
    return reading;
}

}  // namespace nubivo::host
