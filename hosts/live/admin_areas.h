#pragma once

#include <string_view>
#include <vector>

namespace nubivo::live {

// A state, province or territory of the United States, Canada or Australia, with the postal
// abbreviation people type after a place ("Portland OR", "Sydney NSW").
struct AdminArea {
    const char* abbreviation;  // "OR"
    const char* name;          // "Oregon": the area's name in the place database (its admin1)
    const char* countryCode;   // "US"
};

// The areas `text` names, as an abbreviation or as a name, letter case aside: none, or one,
// or two where two countries share an abbreviation (NT, WA). Places found through the
// geocoder carry the area's name but never its abbreviation, so the host keeps these.
std::vector<const AdminArea*> adminAreasNamed(std::string_view text);

// Whether `text` is one of the areas' abbreviations, letter case aside.
bool isAdminAbbreviation(std::string_view text);

}  // namespace nubivo::live
