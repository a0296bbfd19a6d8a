#include "hosts/live/place_search.h"

#include <algorithm>

#include "hosts/live/country_codes.h"

namespace nubivo::live {
namespace {

// The plain letter of each of U+00C0 to U+00FF, '*' where there is none.
constexpr std::string_view latin1Letters =
    "aaaaaa*ceeeeiiiidnooooo*ouuuuy**aaaaaa*ceeeeiiiidnooooo*ouuuuy*y";

// Characters (not bytes) of `text`, up to the first comma.
size_t nameCharacters(std::string_view text) {
    text = text.substr(0, text.find(','));
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(' ', start), text.size());
        if (end > start)
            out.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string joined(const std::vector<std::string>& parts, size_t from, size_t to) {
    std::string out;
    for (size_t i = from; i < to; ++i)
        out += (out.empty() ? "" : " ") + parts[i];
    return out;
}

// The one country `areas` lie in, or "" when they lie in two.
std::string countryOf(const std::vector<const AdminArea*>& areas) {
    std::string country;
    for (const AdminArea* area : areas) {
        if (!country.empty() && country != area->countryCode)
            return "";
        country = area->countryCode;
    }
    return country;
}

class Steps {
  public:
    void add(SearchStep step) {
        if (nameCharacters(step.query.name) < 2)
            return;
        steps_.push_back(std::move(step));
    }
    void any(std::string name, std::string country = "") {
        add(SearchStep{{std::move(name), std::move(country)}, false, "", {}, ""});
    }
    // By name alone within `areas` (of one country or two).
    void inAreas(const std::string& name, const std::vector<const AdminArea*>& areas,
                 bool sameName) {
        add(SearchStep{{name, countryOf(areas)}, sameName, name, areas, ""});
    }
    // "Name, Region" for the service to read, then within the region when the host knows it.
    void region(const std::string& name, const std::string& region) {
        any(name + ", " + region);
        const std::vector<const AdminArea*> areas = adminAreasNamed(region);
        if (!areas.empty())
            inAreas(name, areas, false);
    }
    void code(const std::string& name, const std::string& code, const host::PlaceText& text) {
        const std::vector<const AdminArea*> areas = adminAreasNamed(code);
        const std::string country = countryCodeOf(code);
        const std::string qualified = name + ", " + code;
        if (!areas.empty() && !country.empty()) {
            add(SearchStep{{qualified, ""}, true, name, {}, ""});
            any(name, country);
            inAreas(name, areas, true);
        } else if (!areas.empty()) {
            region(name, code);
        } else if (!country.empty()) {
            any(name, country);
        }
        if (!country.empty() && !territoriesOf(country).empty())
            add(SearchStep{{name, ""}, false, "", {}, std::string(territoriesOf(country))});
        if (!areas.empty() && !country.empty())
            region(name, code);
        if (!text.comma)
            any(text.whole);
        if (areas.empty() && country.empty())
            any(qualified);
    }
    std::vector<SearchStep> take() { return std::move(steps_); }

  private:
    std::vector<SearchStep> steps_;
};

}  // namespace

std::string foldedName(std::string_view name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        const auto next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
        if (byte == 0xC3 && next >= 0x80 && next <= 0xBF && latin1Letters[next - 0x80] != '*') {
            out += latin1Letters[next - 0x80];
            ++i;
        } else {
            out += byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : name[i];
        }
    }
    return out;
}

std::vector<SearchStep> searchSteps(const host::PlaceText& text) {
    Steps steps;
    if (text.position)
        return steps.take();
    // A known abbreviation of three letters is read as a code too: "Sydney NSW".
    const std::vector<std::string> parts = words(text.whole);
    if (!text.code.empty()) {
        steps.code(text.name, text.code, text);
    } else if (isAdminAbbreviation(text.qualifier)) {
        steps.code(text.name, host::asciiUpper(text.qualifier), text);
    } else if (!text.qualifier.empty()) {
        steps.region(text.name, text.qualifier);
    } else if (parts.size() >= 2 && isAdminAbbreviation(parts.back())) {
        steps.code(joined(parts, 0, parts.size() - 1), host::asciiUpper(parts.back()), text);
    } else {
        steps.any(text.whole);
        for (size_t last = 1; last <= 3 && last < parts.size(); ++last) {
            steps.region(joined(parts, 0, parts.size() - last),
                         joined(parts, parts.size() - last, parts.size()));
        }
    }
    // A request asked once is not asked again (its answer is looked at again), and a step
    // that repeats an earlier one whole is dropped.
    std::vector<SearchStep> all = steps.take();
    std::vector<SearchStep> kept;
    for (SearchStep& step : all) {
        const bool repeated = std::any_of(kept.begin(), kept.end(), [&](const SearchStep& s) {
            return s.query.name == step.query.name &&
                   s.query.countryCode == step.query.countryCode && s.sameName == step.sameName &&
                   s.areas == step.areas && s.countries == step.countries;
        });
        if (!repeated)
            kept.push_back(std::move(step));
    }
    return kept;
}

const FoundPlace* takenBy(const SearchStep& step, const std::vector<FoundPlace>& found) {
    const std::string typed = foldedName(step.typedName);
    for (const FoundPlace& candidate : found) {
        const Place& place = candidate.place;
        if (step.sameName && foldedName(place.name) != typed &&
            std::find(candidate.postcodes.begin(), candidate.postcodes.end(), step.typedName) ==
                candidate.postcodes.end()) {
            continue;
        }
        if (!step.areas.empty() &&
            std::none_of(step.areas.begin(), step.areas.end(), [&](const AdminArea* area) {
                return place.countryCode == area->countryCode &&
                       foldedName(place.admin1) == foldedName(area->name);
            })) {
            continue;
        }
        bool inCountries = step.countries.empty();
        for (size_t i = 0; i + 1 < step.countries.size() && !inCountries; i += 2)
            inCountries = place.countryCode == std::string_view(step.countries).substr(i, 2);
        if (inCountries)
            return &candidate;
    }
    return nullptr;
}

}  // namespace nubivo::live
