#pragma once

#include <cstddef>
#include <cstdint>

class QComboBox;

namespace nubivo {

// A drop-down list that keeps its entries sorted, case-insensitively, the empty entry
// first. Each entry keeps the bytes it was added with, so entryText gives back exactly
// those bytes whatever the display made of them.
void resetSortedCombo(QComboBox* combo);
void addSortedEntry(QComboBox* combo, const char* text);
int32_t chosenEntry(QComboBox* combo);  // -1 when nothing is chosen
bool sortedEntryText(QComboBox* combo, int32_t index, char* buffer, size_t size);

// Points countryList and cityList of the location lists at the window's two combo boxes;
// removeComboLists empties both tables again.
void installComboLists();
void removeComboLists();

}  // namespace nubivo
