#include "hosts/core/calendar.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace nubivo::host {
namespace {

constexpr const char* weekdayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

int64_t systemSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

int64_t floorDiv(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

CivilDate civilDate(int64_t days) {
    const int64_t z = days + 719468;
    const int64_t era = floorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2);
    CivilDate date{};
    date.year = static_cast<int32_t>(year);
    date.month = static_cast<int32_t>(month);
    date.day = static_cast<int32_t>(day);
    date.weekday = static_cast<int32_t>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static constexpr int32_t monthStart[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    date.dayOfYear = monthStart[month - 1] + static_cast<int32_t>(day) - 1 + (leap && month > 2);
    return date;
}

int64_t daysFromCivil(int32_t year, int32_t month, int32_t day) {
    const int64_t y = static_cast<int64_t>(year) - (month <= 2);
    const int64_t era = floorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

const char* weekdayName(int32_t weekday) {
    return weekday >= 0 && weekday < 7 ? weekdayNames[weekday] : "";
}

const char* monthName(int32_t month) {
    return month >= 1 && month <= 12 ? monthNames[month - 1] : "";
}

std::string clockText(int32_t minutes) {
    minutes = ((minutes % 1440) + 1440) % 1440;
    const int32_t hour = minutes / 60;
    const int32_t hour12 = hour % 12 == 0 ? 12 : hour % 12;
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d %s", hour12, minutes % 60, hour < 12 ? "am" : "pm");
    return text;
}

std::string httpDate(int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT",
                  weekdayNames[parts.tm_wday], parts.tm_mday, monthNames[parts.tm_mon],
                  parts.tm_year + 1900, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

}  // namespace nubivo::host
