#pragma once

#include <cstddef>
#include <cstdint>

namespace nubivo {

// A drop-down list as the location logic sees it; the window implements the two lists,
// tests fake them. The list sorts its own entries (case-insensitive, empty first).
struct ComboList {
    void (*reset)() = nullptr;
    void (*add)(const char* text) = nullptr;
    int32_t (*currentIndex)() = nullptr;  // -1 when nothing is chosen
    // Copies entry `index` with a NUL, cut to size - 1 bytes; false when there is none.
    bool (*entryText)(int32_t index, char* buffer, size_t size) = nullptr;
};

extern ComboList countryList;
extern ComboList cityList;

// Fills countryList from the Countries folder under the current directory.
void loadCountryList();

// Refills cityList from the chosen country's ".nwv" file; nothing when no country is chosen.
void loadCityList();

// The location code of a city entry: everything after its first ','. False (`out` untouched)
// for an entry without a ','.
bool locationCode(const char* entry, char* out, size_t size);

}  // namespace nubivo
