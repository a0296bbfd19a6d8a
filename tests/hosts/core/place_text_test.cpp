#include "hosts/core/place_text.h"

#include <gtest/gtest.h>

#include <string>

namespace nubivo {
namespace {

TEST(PlaceTextTest, NamesCodesQualifiersAndPositions) {
    struct Case {
        const char* text;
        const char* name;
        const char* code;
        const char* qualifier;
        bool comma;
    };
    const Case cases[] = {
        {"Paris FR", "Paris", "FR", "", false},
        {"Paris, FR", "Paris", "FR", "", true},
        {"Paris,fr", "Paris", "FR", "", true},
        {"  New   York  US ", "New York", "US", "", false},
        {"Paris", "Paris", "", "", false},
        {"10967 DE", "10967", "DE", "", false},
        {"Rio de Janeiro BR", "Rio de Janeiro", "BR", "", false},
        {"FR", "FR", "", "", false},  // a name alone, even of two letters
        {"Sao Paulo", "Sao Paulo", "", "", false},
        {"Z\xC3\xBCrich CH", "Z\xC3\xBCrich", "CH", "", false},
        {"Paris F1", "Paris F1", "", "", false},
        {"Portland, Oregon", "Portland", "", "Oregon", true},
        {"Portland Oregon", "Portland Oregon", "", "", false},
        {"Sydney, NSW", "Sydney", "", "NSW", true},
        {", FR", ", FR", "", "", false},
        {"Paris,", "Paris,", "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<host::PlaceText> text = host::readPlaceText(c.text);
        ASSERT_TRUE(text);
        EXPECT_EQ(text->name, c.name);
        EXPECT_EQ(text->code, c.code);
        EXPECT_EQ(text->qualifier, c.qualifier);
        EXPECT_EQ(text->comma, c.comma);
        EXPECT_FALSE(text->position);
    }
    for (const std::string& bad : {std::string(), std::string(" \t "), std::string(255, 'a')})
        EXPECT_FALSE(host::readPlaceText(bad)) << bad.size();
    EXPECT_TRUE(host::readPlaceText(std::string(254, 'a')));
    // One key whatever the spelling of one reading.
    EXPECT_EQ(host::readPlaceText("PARIS fr")->key(), host::readPlaceText("paris, FR")->key());
    EXPECT_NE(host::readPlaceText("Paris FR")->key(), host::readPlaceText("Paris US")->key());

    // Positions in decimal degrees; two whole numbers are no position.
    const std::optional<host::PlaceText> station = host::readPlaceText("-77.85, 166.67");
    ASSERT_TRUE(station && station->position);
    EXPECT_DOUBLE_EQ(station->position->latitude, -77.85);
    EXPECT_DOUBLE_EQ(station->position->longitude, 166.67);
    EXPECT_EQ(host::positionName(*station->position), "77.85\u00B0S 166.67\u00B0E");
    EXPECT_TRUE(host::readPlaceText("78.2,15.6")->position);
    EXPECT_TRUE(host::readPlaceText("+10.5 -20")->position);
    for (const char* notOne : {"10967 12345", "91.5, 10.0", "10.5, 181", "1.2.3 4.5", "-5-.1 3.5"})
        EXPECT_FALSE(host::readPlaceText(notOne)->position) << notOne;
}

}  // namespace
}  // namespace nubivo
