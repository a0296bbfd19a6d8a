#include "locations/location_lists.h"

#include <cstring>
#include <string>
#include <vector>

#include "locations/location_files.h"

namespace nubivo {

ComboList countryList;
ComboList cityList;

void loadCountryList() {
    if (countryList.reset == nullptr || countryList.add == nullptr)
        return;
    char folder[maxPathLength + 1];
    const bool found = countriesFolder(folder, sizeof folder);
    countryList.reset();
    if (!found)
        return;
    for (const std::string& name : countryNames(folder))
        countryList.add(name.c_str());
}

void loadCityList() {
    if (countryList.currentIndex == nullptr || countryList.entryText == nullptr ||
        cityList.reset == nullptr || cityList.add == nullptr) {
        return;
    }
    const int32_t chosen = countryList.currentIndex();
    if (chosen < 0)
        return;
    cityList.reset();

    char country[maxPathLength + 1];
    if (!countryList.entryText(chosen, country, sizeof country))
        return;
    char folder[maxPathLength + 1];
    if (!countriesFolder(folder, sizeof folder))
        return;
    char path[maxPathLength + 1];
    if (!cityListPath(folder, country, path, sizeof path))
        return;
    for (const std::string& entry : cityEntries(path))
        cityList.add(entry.c_str());
}

bool locationCode(const char* entry, char* out, size_t size) {
    const char* comma = std::strchr(entry, ',');
    if (comma == nullptr || size == 0)
        return false;
    const char* code = comma + 1;
    size_t length = std::strlen(code);
    if (length > size - 1)
        length = size - 1;
    std::memcpy(out, code, length);
    out[length] = '\0';
    return true;
}

}  // namespace nubivo
