#include "platform/http_date.h"

#include <gtest/gtest.h>

#include <cstring>

namespace nubivo {
namespace {

SystemTime makeTime(int year, int month, int dayOfWeek, int day, int hour, int minute, int second) {
    return SystemTime{static_cast<uint16_t>(year),      static_cast<uint16_t>(month),
                      static_cast<uint16_t>(dayOfWeek), static_cast<uint16_t>(day),
                      static_cast<uint16_t>(hour),      static_cast<uint16_t>(minute),
                      static_cast<uint16_t>(second),    0};
}

TEST(HttpDateTest, ReadsTheThreeFormsIntoAllEightFields) {
    struct Case {
        const char* text;
        SystemTime expected;
    };
    const Case cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", makeTime(1994, 11, 0, 6, 8, 49, 37)},
        {"Sunday, 06-Nov-94 08:49:37 GMT", makeTime(1994, 11, 0, 6, 8, 49, 37)},
        {"Sun Nov  6 08:49:37 1994", makeTime(1994, 11, 0, 6, 8, 49, 37)},
        {"Sun Nov 06 08:49:37 1994", makeTime(1994, 11, 0, 6, 8, 49, 37)},
        {"Mon, 07 Dec 2026 23:59:59 GMT", makeTime(2026, 12, 1, 7, 23, 59, 59)},
        {"Thursday, 01-Jan-70 00:00:00 GMT", makeTime(1970, 1, 4, 1, 0, 0, 0)},
        {"Tuesday, 29-Feb-28 12:00:00 GMT", makeTime(2028, 2, 2, 29, 12, 0, 0)},
        {"Tue, 29 Feb 2000 00:00:00 GMT", makeTime(2000, 2, 2, 29, 0, 0, 0)},
        {"Sat Dec 31 12:30:00 2039", makeTime(2039, 12, 6, 31, 12, 30, 0)},
        // The weekday stored follows from the date, whatever day the text names.
        {"Fri, 06 Nov 1994 08:49:37 GMT", makeTime(1994, 11, 0, 6, 8, 49, 37)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SystemTime parsed;
        std::memset(&parsed, 0xab, sizeof parsed);
        ASSERT_TRUE(parseHttpDate(c.text, &parsed));
        EXPECT_EQ(std::memcmp(&parsed, &c.expected, sizeof parsed), 0)
            << parsed.year << "-" << parsed.month << "-" << parsed.day << " dow "
            << parsed.dayOfWeek << " " << parsed.hour << ":" << parsed.minute << ":"
            << parsed.second << "." << parsed.milliseconds;
    }
}

TEST(HttpDateTest, AnythingElseIsNoDateAndLeavesTheFieldsAlone) {
    const char* const texts[] = {
        "",
        "yesterday",
        "Sun, 06 Nov 1994 08:49:37",           // no zone
        "Sun, 06 Nov 1994 08:49:37 UTC",       // not GMT
        "Sun, 06 Nov 1994 08:49:37 GMT ",      // trailing byte
        " Sun, 06 Nov 1994 08:49:37 GMT",      // leading byte
        "Sun, 6 Nov 1994 08:49:37 GMT",        // one-digit day
        "sun, 06 nov 1994 08:49:37 GMT",       // names are case-sensitive
        "Sun, 06 Nov 94 08:49:37 GMT",         // two-digit year in the long form
        "Sun, 06 November 1994 08:49:37 GMT",  // month in full
        "Sun, 31 Nov 1994 08:49:37 GMT",       // no such day
        "Thu, 29 Feb 1900 08:49:37 GMT",       // not a leap year
        "Sun, 00 Nov 1994 08:49:37 GMT",
        "Sun, 06 Nov 1994 24:00:00 GMT",
        "Sun, 06 Nov 1994 08:60:00 GMT",
        "Sun, 06 Nov 1994 08:49:60 GMT",
        "Sun, 06 Nov 1994 8:49:37 GMT",
        "Sun, 06 Nov 1994 08:49 GMT",
        "Sun, 06 Nov 1600 08:49:37 GMT",  // before the time record begins
        "Sun, 06 Nov 1994 08:49:37 GMT\n",
        "Sun 06 Nov 1994 08:49:37 GMT",
        "Sunday, 06-Nov-1994 08:49:37 GMT",  // four-digit year in the short form
        "Sun, 06-Nov-94 08:49:37 GMT",       // short day name in the dashed form
        "Sunday, 06 Nov 1994 08:49:37 GMT",
        "Sun Nov 6 08:49:37 1994",  // asctime pads the day to two places
        "Sun Nov  6 08:49:37 94",
        "Sun Nov  6 08:49:37 1994 GMT",
        "Sun, 0x Nov 1994 08:49:37 GMT",
        "1994-11-06T08:49:37Z",
        "784111777",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        SystemTime untouched = makeTime(1, 2, 3, 4, 5, 6, 7);
        const SystemTime before = untouched;
        EXPECT_FALSE(parseHttpDate(text, &untouched));
        EXPECT_EQ(std::memcmp(&untouched, &before, sizeof before), 0);
    }
    SystemTime out{};
    EXPECT_FALSE(parseHttpDate(nullptr, &out));
}

}  // namespace
}  // namespace nubivo
