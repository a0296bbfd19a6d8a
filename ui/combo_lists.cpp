#include "ui/combo_lists.h"

#include <QByteArray>
#include <QComboBox>
#include <algorithm>
#include <cstring>

#include "locations/location_lists.h"
#include "ui/canvas.h"
#include "ui/window_resources.h"

namespace nubivo {
namespace {

constexpr int bytesRole = Qt::UserRole;

}  // namespace

void resetSortedCombo(QComboBox* combo) {
    combo->clear();
}

void addSortedEntry(QComboBox* combo, const char* text) {
    QString shown = textFromBytes(text);
    // After every entry that sorts before or with the new one, as a sorted list inserts.
    int position = combo->count();
    for (int i = 0; i < combo->count(); ++i) {
        if (QString::compare(shown, combo->itemText(i), Qt::CaseInsensitive) < 0) {
            position = i;
            break;
        }
    }
    // Adding an entry never chooses one: a list without a choice keeps none.
    bool noChoice = combo->currentIndex() < 0;
    combo->insertItem(position, shown, QByteArray(text));
    if (noChoice) {
        combo->setCurrentIndex(-1);
    }
}

int32_t chosenEntry(QComboBox* combo) {
    return combo->currentIndex();
}

bool sortedEntryText(QComboBox* combo, int32_t index, char* buffer, size_t size) {
    if (index < 0 || index >= combo->count() || size == 0) {
        return false;
    }
    QByteArray bytes = combo->itemData(index, bytesRole).toByteArray();
    size_t length = std::min(static_cast<size_t>(bytes.size()), size - 1);
    std::memcpy(buffer, bytes.constData(), length);
    buffer[length] = '\0';
    return true;
}

void installComboLists() {
    countryList.reset = [] { resetSortedCombo(windowResources.countryCombo); };
    countryList.add = [](const char* text) { addSortedEntry(windowResources.countryCombo, text); };
    countryList.currentIndex = [] { return chosenEntry(windowResources.countryCombo); };
    countryList.entryText = [](int32_t index, char* buffer, size_t size) {
        return sortedEntryText(windowResources.countryCombo, index, buffer, size);
    };
    cityList.reset = [] { resetSortedCombo(windowResources.cityCombo); };
    cityList.add = [](const char* text) { addSortedEntry(windowResources.cityCombo, text); };
    cityList.currentIndex = [] { return chosenEntry(windowResources.cityCombo); };
    cityList.entryText = [](int32_t index, char* buffer, size_t size) {
        return sortedEntryText(windowResources.cityCombo, index, buffer, size);
    };
}

void removeComboLists() {
    countryList = ComboList{};
    cityList = ComboList{};
}

}  // namespace nubivo
