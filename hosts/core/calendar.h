#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace nubivo::host {

// Seconds since 1970, UTC. Hosts take one so that tests can move time.
using Clock = std::function<int64_t()>;

// The system's clock.
int64_t systemSeconds();

// a / b rounded toward minus infinity (b > 0).
int64_t floorDiv(int64_t a, int64_t b);

struct CivilDate {
    int32_t year;
    int32_t month;      // 1 to 12
    int32_t day;        // 1 to 31
    int32_t weekday;    // 0 Sunday
    int32_t dayOfYear;  // 0 to 365
};

// The calendar date of day `days` after 1970-01-01, and back.
CivilDate civilDate(int64_t days);
int64_t daysFromCivil(int32_t year, int32_t month, int32_t day);

// "Sun" to "Sat" for weekday 0 to 6, "Jan" to "Dec" for month 1 to 12; "" out of range.
const char* weekdayName(int32_t weekday);
const char* monthName(int32_t month);

// "7:42 am" for a local time of `minutes` after midnight (taken modulo a day).
std::string clockText(int32_t minutes);

// `seconds` as an HTTP date, e.g. "Mon, 07 Dec 2026 10:00:00 GMT".
std::string httpDate(int64_t seconds);

}  // namespace nubivo::host
