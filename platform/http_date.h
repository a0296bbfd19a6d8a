#pragma once

#include <cstdint>

namespace nubivo {

// A Last-Modified time as eight 16-bit fields; two stamps are equal when all 16 bytes are.
struct SystemTime {
    uint16_t year;
    uint16_t month;
    uint16_t dayOfWeek;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;
};
static_assert(sizeof(SystemTime) == 16);

// Converts an HTTP date (RFC 1123, RFC 850 or asctime form) to its eight fields in UTC,
// day of week included and milliseconds 0. False, `out` untouched, for anything else.
bool parseHttpDate(const char* text, SystemTime* out);

}  // namespace nubivo
