#include "platform/http_date.h"

#include <cstring>

namespace nubivo {
namespace {

constexpr const char* shortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* longDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
constexpr const char* months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A cursor over the text; every step checks exactly what the form demands and moves on.
struct Cursor {
    const char* p;

    bool literal(const char* text) {
        const size_t length = std::strlen(text);
        if (std::strncmp(p, text, length) != 0) {
            return false;
        }
        p += length;
        return true;
    }

    // Exactly `count` decimal digits.
    bool digits(int count, int* value) {
        int result = 0;
        for (int i = 0; i < count; ++i) {
            if (p[i] < '0' || p[i] > '9') {
                return false;
            }
            result = result * 10 + (p[i] - '0');
        }
        p += count;
        *value = result;
        return true;
    }

    // One of `names` in full, as its index.
    bool oneOf(const char* const* names, int count, int* index) {
        for (int i = 0; i < count; ++i) {
            if (literal(names[i])) {
                *index = i;
                return true;
            }
        }
        return false;
    }

    // hh:mm:ss
    bool timeOfDay(int* hour, int* minute, int* second) {
        return digits(2, hour) && literal(":") && digits(2, minute) && literal(":") &&
               digits(2, second);
    }

    bool atEnd() const { return *p == '\0'; }
};

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// 0 for Sunday; Gregorian calendar.
int dayOfWeek(int year, int month, int day) {
    static constexpr int offsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) {
        year -= 1;
    }
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

struct Fields {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "Sun, 06 Nov 1994 08:49:37 GMT"
bool parseRfc1123(const char* text, Fields* f) {
    Cursor c{text};
    int weekday = 0;
    int month = 0;
    if (!(c.oneOf(shortDays, 7, &weekday) && c.literal(", ") && c.digits(2, &f->day) &&
          c.literal(" ") && c.oneOf(months, 12, &month) && c.literal(" ") &&
          c.digits(4, &f->year) && c.literal(" ") &&
          c.timeOfDay(&f->hour, &f->minute, &f->second) && c.literal(" GMT") && c.atEnd())) {
        return false;
    }
    f->month = month + 1;
    return true;
}

// "Sunday, 06-Nov-94 08:49:37 GMT"; a two-digit year from 70 is 19xx, below 70 it is 20xx.
bool parseRfc850(const char* text, Fields* f) {
    Cursor c{text};
    int weekday = 0;
    int month = 0;
    int shortYear = 0;
    if (!(c.oneOf(longDays, 7, &weekday) && c.literal(", ") && c.digits(2, &f->day) &&
          c.literal("-") && c.oneOf(months, 12, &month) && c.literal("-") &&
          c.digits(2, &shortYear) && c.literal(" ") &&
          c.timeOfDay(&f->hour, &f->minute, &f->second) && c.literal(" GMT") && c.atEnd())) {
        return false;
    }
    f->month = month + 1;
    f->year = shortYear >= 70 ? 1900 + shortYear : 2000 + shortYear;
    return true;
}

// "Sun Nov  6 08:49:37 1994" (the day also as "06")
bool parseAsctime(const char* text, Fields* f) {
    Cursor c{text};
    int weekday = 0;
    int month = 0;
    if (!(c.oneOf(shortDays, 7, &weekday) && c.literal(" ") && c.oneOf(months, 12, &month) &&
          c.literal(" "))) {
        return false;
    }
    if (!(c.literal(" ") ? c.digits(1, &f->day) : c.digits(2, &f->day))) {
        return false;
    }
    if (!(c.literal(" ") && c.timeOfDay(&f->hour, &f->minute, &f->second) && c.literal(" ") &&
          c.digits(4, &f->year) && c.atEnd())) {
        return false;
    }
    f->month = month + 1;
    return true;
}

bool valid(const Fields& f) {
    // 1601 is where the eight-field time record begins.
    return f.year >= 1601 && f.month >= 1 && f.month <= 12 && f.day >= 1 &&
           f.day <= daysInMonth(f.year, f.month) && f.hour <= 23 && f.minute <= 59 &&
           f.second <= 59;
}

}  // namespace

bool parseHttpDate(const char* text, SystemTime* out) {
    if (text == nullptr || out == nullptr) {
        return false;
    }
    Fields f;
    if (!parseRfc1123(text, &f) && !parseRfc850(text, &f) && !parseAsctime(text, &f)) {
        return false;
    }
    if (!valid(f)) {
        return false;
    }
    // The weekday named in the text is only checked for form; the stored one follows from
    // the date, so that equal times always give equal stamps.
    out->year = static_cast<uint16_t>(f.year);
    out->month = static_cast<uint16_t>(f.month);
    out->dayOfWeek = static_cast<uint16_t>(dayOfWeek(f.year, f.month, f.day));
    out->day = static_cast<uint16_t>(f.day);
    out->hour = static_cast<uint16_t>(f.hour);
    out->minute = static_cast<uint16_t>(f.minute);
    out->second = static_cast<uint16_t>(f.second);
    out->milliseconds = 0;
    return true;
}

}  // namespace nubivo
