#include "locations/location_lists.h"

#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "state/viewer_state.h"
#include "tests/locations/location_test_support.h"

namespace nubivo {
namespace {

using test::CurrentDirectory;
using test::TemporaryFolder;
using test::writeBytes;
using Entries = std::vector<std::string>;

// A drop-down list that sorts like the window's: case-insensitive, so an empty entry first.
struct FakeCombo {
    Entries entries;
    int32_t current = -1;
    int resets = 0;

    void add(const char* text) {
        const auto place = std::upper_bound(entries.begin(), entries.end(), std::string(text),
                                            [](const std::string& a, const std::string& b) {
                                                return strcasecmp(a.c_str(), b.c_str()) < 0;
                                            });
        entries.insert(place, text);
    }
    bool entryText(int32_t index, char* buffer, size_t size) const {
        if (index < 0 || static_cast<size_t>(index) >= entries.size() || size == 0)
            return false;
        std::strncpy(buffer, entries[static_cast<size_t>(index)].c_str(), size - 1);
        buffer[size - 1] = '\0';
        return true;
    }
};

FakeCombo fakeCountries;
FakeCombo fakeCities;

void installFakes() {
    fakeCountries = FakeCombo{};
    fakeCities = FakeCombo{};
    countryList.reset = [] {
        fakeCountries.entries.clear();
        fakeCountries.current = -1;
        ++fakeCountries.resets;
    };
    countryList.add = [](const char* text) { fakeCountries.add(text); };
    countryList.currentIndex = [] { return fakeCountries.current; };
    countryList.entryText = [](int32_t index, char* buffer, size_t size) {
        return fakeCountries.entryText(index, buffer, size);
    };
    cityList.reset = [] {
        fakeCities.entries.clear();
        fakeCities.current = -1;
        ++fakeCities.resets;
    };
    cityList.add = [](const char* text) { fakeCities.add(text); };
    cityList.currentIndex = [] { return fakeCities.current; };
    cityList.entryText = [](int32_t index, char* buffer, size_t size) {
        return fakeCities.entryText(index, buffer, size);
    };
}

class LocationListsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetViewerState();
        ASSERT_FALSE(folder.path().empty());
        installFakes();
        countries = folder.path() / "Countries";
        std::filesystem::create_directory(countries);
    }
    void TearDown() override {
        countryList = ComboList{};
        cityList = ComboList{};
    }

    // Chooses the country entry `name` and loads its cities.
    void chooseCountry(const std::string& name) {
        const auto found =
            std::find(fakeCountries.entries.begin(), fakeCountries.entries.end(), name);
        ASSERT_NE(found, fakeCountries.entries.end()) << name;
        fakeCountries.current = static_cast<int32_t>(found - fakeCountries.entries.begin());
        loadCityList();
    }

    TemporaryFolder folder;
    std::filesystem::path countries;
};

TEST_F(LocationListsTest, CountriesComeSortedFromTheFolderUnderTheCurrentDirectory) {
    writeBytes(countries / "italy.nwv", "");
    writeBytes(countries / "France.nwv", "");
    writeBytes(countries / "Readme.txt", "");
    std::filesystem::create_directory(countries / "Old");
    fakeCountries.entries = {"stale"};

    CurrentDirectory inFolder(folder.path());
    loadCountryList();
    EXPECT_EQ(fakeCountries.entries, (Entries{"France", "italy", "Readme"}));
}

TEST_F(LocationListsTest, AMissingFolderEmptiesTheCountryList) {
    std::filesystem::remove(countries);
    fakeCountries.entries = {"stale"};
    CurrentDirectory inFolder(folder.path());
    loadCountryList();
    EXPECT_TRUE(fakeCountries.entries.empty());
    EXPECT_EQ(fakeCountries.resets, 1);
}

TEST_F(LocationListsTest, ChoosingACountryLoadsItsCitiesSortedWithTheEmptyEntryFirst) {
    writeBytes(countries / "France.nwv", "Paris,Paris FR\r\nLyon,Lyon FR\r\n");
    writeBytes(countries / "France.bak", "");
    CurrentDirectory inFolder(folder.path());
    loadCountryList();
    ASSERT_EQ(fakeCountries.entries, (Entries{"France", "France"}));

    for (int32_t index : {0, 1}) {
        SCOPED_TRACE(index);
        fakeCountries.current = index;
        loadCityList();
        EXPECT_EQ(fakeCities.entries, (Entries{"", "Lyon,Lyon FR", "Paris,Paris FR"}));
    }
}

TEST_F(LocationListsTest, ACountryWithoutItsCityFileGivesAnEmptyCityList) {
    writeBytes(countries / "Readme.txt", "Not,cities\n");
    writeBytes(countries / "St. Lucia.nwv", "Castries,Castries LC\n");
    CurrentDirectory inFolder(folder.path());
    loadCountryList();
    for (const char* country : {"Readme", "St"}) {
        SCOPED_TRACE(country);
        fakeCities.entries = {"stale"};
        chooseCountry(country);
        EXPECT_TRUE(fakeCities.entries.empty());
    }
}

TEST_F(LocationListsTest, NoChosenCountryLeavesTheCityListAlone) {
    writeBytes(countries / "France.nwv", "Paris,Paris FR");
    CurrentDirectory inFolder(folder.path());
    loadCountryList();
    fakeCities.entries = {"Kept,kept"};
    fakeCities.current = 0;
    loadCityList();
    EXPECT_EQ(fakeCities.entries, (Entries{"Kept,kept"}));
    EXPECT_EQ(fakeCities.current, 0);
    EXPECT_EQ(fakeCities.resets, 0);
}

TEST_F(LocationListsTest, ACurrentDirectoryTooLongForItsBufferGivesNoLists) {
    // Each step stays under the name limit; together they pass the path limit.
    std::filesystem::path deep = folder.path();
    for (int level = 0; level < 3; ++level)
        deep /= std::string(100, static_cast<char>('a' + level));
    std::filesystem::create_directories(deep / "Countries");
    writeBytes(deep / "Countries" / "France.nwv", "Paris,Paris FR");

    CurrentDirectory inFolder(deep);
    fakeCountries.entries = {"stale"};
    loadCountryList();
    EXPECT_TRUE(fakeCountries.entries.empty());

    fakeCountries.entries = {"France"};
    fakeCities.entries = {"stale"};
    chooseCountry("France");
    EXPECT_TRUE(fakeCities.entries.empty());
}

TEST_F(LocationListsTest, ACityPathOverTheLimitIsRefusedNotCut) {
    // Pad the current directory so that "<dir>/Countries/<name>.nwv" is exactly 259
    // characters for a name of `fitting` characters.
    const size_t base = folder.path().string().size() + std::strlen("/Countries/.nwv");
    ASSERT_LT(base + 20, 259u);
    const size_t fitting = 259 - base;
    const std::string fits(fitting, 'f');
    const std::string tooLong(fitting + 1, 'g');
    writeBytes(countries / (fits + ".nwv"), "A,a");
    writeBytes(countries / (tooLong + ".nwv"), "B,b");
    // The cut name must not be found in place of the long one.
    writeBytes(countries / (tooLong.substr(0, fitting) + ".nwv"), "Wrong,wrong");

    CurrentDirectory inFolder(folder.path());
    loadCountryList();
    chooseCountry(fits);
    EXPECT_EQ(fakeCities.entries, (Entries{"A,a"}));
    chooseCountry(tooLong);
    EXPECT_TRUE(fakeCities.entries.empty());
}

TEST_F(LocationListsTest, LocationCodeIsEverythingAfterTheFirstComma) {
    struct Case {
        const char* entry;
        const char* code;  // null: no code
    };
    const Case cases[] = {
        {"Paris,Paris FR", "Paris FR"},
        {"New York,10001", "10001"},
        {"Springfield, IL,Springfield IL", " IL,Springfield IL"},
        {"Nowhere,", ""},
        {",Lone", "Lone"},
        {"No comma", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        char out[32] = "untouched";
        EXPECT_EQ(locationCode(c.entry, out, sizeof out), c.code != nullptr);
        EXPECT_STREQ(out, c.code != nullptr ? c.code : "untouched");
    }
    char small[4];
    ASSERT_TRUE(locationCode("Paris,Paris FR", small, sizeof small));
    EXPECT_STREQ(small, "Par");
}

// The folder that ships with the viewer: many countries of every region, each city coded as
// its own name and its country's two-letter code, which the live host geocodes (name plus
// country filter) and both hosts echo as the city.
TEST_F(LocationListsTest, TheStarterFolderHoldsCountriesWithCitiesAndCodes) {
    CurrentDirectory inFolder(NUBIVO_SOURCE_DIR);
    loadCountryList();
    ASSERT_GE(fakeCountries.entries.size(), 40u);
    std::set<std::string> codes;
    const Entries countryNames = fakeCountries.entries;
    for (const std::string& country : countryNames) {
        SCOPED_TRACE(country);
        chooseCountry(country);
        EXPECT_GE(fakeCities.entries.size(), 8u);
        std::set<std::string> countryCodes;
        for (const std::string& entry : fakeCities.entries) {
            SCOPED_TRACE(entry);
            char code[256];
            ASSERT_TRUE(locationCode(entry.c_str(), code, sizeof code));
            EXPECT_EQ(std::strpbrk(code, ",&/\"<>\r"), nullptr);
            const std::string text = code;
            // "City CC": a city name, one space, two capital letters.
            ASSERT_GE(text.size(), 4u);
            const std::string city = text.substr(0, text.size() - 3);
            const std::string countryCode = text.substr(text.size() - 2);
            ASSERT_EQ(text[text.size() - 3], ' ');
            ASSERT_TRUE(std::isupper(static_cast<unsigned char>(countryCode[0])) &&
                        std::isupper(static_cast<unsigned char>(countryCode[1])));
            EXPECT_EQ(entry.substr(0, entry.find(',')), city);
            countryCodes.insert(countryCode);
            EXPECT_TRUE(codes.insert(text).second) << "listed twice";
        }
        EXPECT_EQ(countryCodes.size(), 1u);
    }
}

}  // namespace
}  // namespace nubivo
