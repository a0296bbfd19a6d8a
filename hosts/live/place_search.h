#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "hosts/core/place_text.h"
#include "hosts/live/admin_areas.h"
#include "hosts/live/geocoding.h"

namespace nubivo::live {

// One step of a place search: a request to the geocoder and the result it takes.
struct SearchStep {
    LocationQuery query;
    // The first result is taken, unless one of these limits it.
    bool sameName = false;                // named as typed, or listing it as a postal code
    std::string typedName;                // the name typed, for sameName
    std::vector<const AdminArea*> areas;  // in one of these states (none: any)
    std::string countries;                // in one of these countries, pairs of letters
};

// The steps that find the place `text` names, in order, the first step that takes a result
// giving the place. Requests are not repeated: a later step with the request of an earlier
// one looks at the same answer again. Names under two characters, which find nothing, are
// not asked for.
//   "Paris FR", "10967 DE": the two letters as a country, then (for a country whose
//       territories the place database files apart, as Svalbard from Norway) the name alone
//       in those territories, then the whole text ("Lake Ha").
//   "Portland OR", "Springfield, IL", "Sydney NSW": a state, province or territory of the
//       United States, Canada or Australia, through the service's qualifier ("Portland, OR"),
//       then by the name within the country and that state.
//   "Portland ME", "Lima PE": a state and a country both; the state reading wins at once
//       when it finds a place of the very name typed, otherwise the country's reading comes
//       first, then the state's.
//   "Portland, Oregon", "Paris, France": the service's qualifier; for a known state also by
//       name within its country.
//   "Portland Oregon", "Albany New York": the whole text, then the last one, two or three
//       words as the region.
//   "Campinas SP": two letters neither state nor country: the whole text, then the service's
//       qualifier, which may know the region.
std::vector<SearchStep> searchSteps(const host::PlaceText& text);

// The result `step` takes of `found` (the answer to its query), or null.
const FoundPlace* takenBy(const SearchStep& step, const std::vector<FoundPlace>& found);

// `name` folded for comparing: ASCII letters and the accented Latin-1 letters as plain lower
// case ones ("Zürich" is "zurich").
std::string foldedName(std::string_view name);

}  // namespace nubivo::live
