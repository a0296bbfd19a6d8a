#include "feed/scan_feed.h"

#include <locale.h>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "images/condition_icon.h"
#include "state/viewer_state.h"

namespace nubivo {
namespace {

constexpr int32_t workBufferSize = 1024;

enum class Target { Text, Integer, Decimal };

// Where the value of an element's ordinal lands; null field for a pair without a row.
struct ValueSlot {
    Target target = Target::Text;
    char* text = nullptr;
    size_t textSize = 0;
    int32_t* integer = nullptr;
    float* decimal = nullptr;
};

ValueSlot textSlot(char* field, size_t size) {
    ValueSlot slot;
    slot.target = Target::Text;
    slot.text = field;
    slot.textSize = size;
    return slot;
}

ValueSlot integerSlot(int32_t* field) {
    ValueSlot slot;
    slot.target = Target::Integer;
    slot.integer = field;
    return slot;
}

ValueSlot decimalSlot(float* field) {
    ValueSlot slot;
    slot.target = Target::Decimal;
    slot.decimal = field;
    return slot;
}

ValueSlot slotFor(ScanState state, int32_t ordinal, ForecastDay* day) {
    WeatherReport& w = viewerState.weather;
    switch (state) {
        case ScanState::Location:
            if (ordinal == 1)
                return textSlot(w.city, sizeof w.city);
            if (ordinal == 2)
                return textSlot(w.region, sizeof w.region);
            if (ordinal == 3)
                return textSlot(w.country, sizeof w.country);
            break;
        case ScanState::Units:
            if (ordinal == 1)
                return textSlot(w.tempUnit, sizeof w.tempUnit);
            if (ordinal == 2)
                return textSlot(w.distanceUnit, sizeof w.distanceUnit);
            if (ordinal == 3)
                return textSlot(w.pressureUnit, sizeof w.pressureUnit);
            if (ordinal == 4)
                return textSlot(w.speedUnit, sizeof w.speedUnit);
            break;
        case ScanState::Wind:
            if (ordinal == 1)
                return integerSlot(&w.windChill);
            if (ordinal == 2)
                return integerSlot(&w.windDirection);
            if (ordinal == 3)
                return integerSlot(&w.windSpeed);
            break;
        case ScanState::Atmosphere:
            if (ordinal == 1)
                return integerSlot(&w.humidity);
            if (ordinal == 2)
                return integerSlot(&w.visibility);
            if (ordinal == 3)
                return decimalSlot(&w.pressure);
            if (ordinal == 4)
                return integerSlot(&w.rising);
            break;
        case ScanState::Astronomy:
            if (ordinal == 1)
                return textSlot(w.sunrise, sizeof w.sunrise);
            if (ordinal == 2)
                return textSlot(w.sunset, sizeof w.sunset);
            break;
        case ScanState::Condition:
            if (ordinal == 1)
                return textSlot(w.conditionText, sizeof w.conditionText);
            if (ordinal == 2)
                return integerSlot(&w.conditionCode);
            if (ordinal == 3)
                return integerSlot(&w.conditionTemp);
            if (ordinal == 4)
                return textSlot(w.conditionDate, sizeof w.conditionDate);
            break;
        case ScanState::Forecast:
            if (day == nullptr)
                break;  // an eighth and later Forecast element writes nothing
            if (ordinal == 1)
                return textSlot(day->day, sizeof day->day);
            if (ordinal == 2)
                return textSlot(day->date, sizeof day->date);
            if (ordinal == 3)
                return integerSlot(&day->low);
            if (ordinal == 4)
                return integerSlot(&day->high);
            if (ordinal == 5)
                return textSlot(day->text, sizeof day->text);
            if (ordinal == 6)
                return integerSlot(&day->code);
            break;
        case ScanState::None:
            break;
    }
    return ValueSlot{};
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atoi's reading (leading white space, a sign, digits up to the first other byte), with a
// value beyond 32 bits held at the nearest limit instead of overflowing.
int32_t toInteger(const char* text) {
    while (isSpace(*text)) {
        ++text;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > int64_t{INT32_MAX} + 1) {
            value = int64_t{INT32_MAX} + 1;
        }
    }
    if (negative) {
        return static_cast<int32_t>(-value);
    }
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

// strtod with '.' as the decimal point whatever the process locale, narrowed to a float
// (values beyond the float range become infinities rather than undefined).
float toDecimal(const char* text) {
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    double value = cLocale != static_cast<locale_t>(0) ? strtod_l(text, nullptr, cLocale)
                                                       : strtod(text, nullptr);
    if (value > FLT_MAX)
        return HUGE_VALF;
    if (value < -FLT_MAX)
        return -HUGE_VALF;
    return static_cast<float>(value);
}

// Copies bytes [from, to) with a NUL into a working buffer, cut to its 1023 bytes.
void takeBytes(char* buffer, const char* body, int32_t from, int32_t to) {
    int32_t count = to - from;
    if (count > workBufferSize - 1) {
        count = workBufferSize - 1;
    }
    memcpy(buffer, body + from, static_cast<size_t>(count));
    buffer[count] = '\0';
}

// The caller holds the state lock.
void storeValue(const ValueSlot& slot, const char* value) {
    // `value` is a working buffer's NUL-terminated string: bytes after a NUL are gone
    // already, so it is stored straight from there.
    switch (slot.target) {
        case Target::Text:
            if (slot.text != nullptr)
                copyText(slot.text, slot.textSize, value);
            break;
        case Target::Integer:
            if (slot.integer != nullptr)
                *slot.integer = toInteger(value);
            break;
        case Target::Decimal:
            if (slot.decimal != nullptr)
                *slot.decimal = toDecimal(value);
            break;
    }
}

void setScanState(ScanState state) {
    std::lock_guard guard(viewerState.stateLock);
    viewerState.scanState = state;
}

int32_t find(const char* body, int32_t length, int32_t from, char c) {
    if (from >= length)
        return length;
    const void* hit = memchr(body + from, c, static_cast<size_t>(length - from));
    return hit == nullptr ? length : static_cast<int32_t>(static_cast<const char*>(hit) - body);
}

// The first index at or after `from` holding `a` or `b`, or `length`.
int32_t findEither(const char* body, int32_t length, int32_t from, char a, char b) {
    for (int32_t i = from; i < length; ++i) {
        if (body[i] == a || body[i] == b)
            return i;
    }
    return length;
}

int32_t findNameEnd(const char* body, int32_t length, int32_t from) {
    for (int32_t i = from; i < length; ++i) {
        char c = body[i];
        if (c == ' ' || c == '<' || c == '>')
            return i;
    }
    return length;
}

void upperCaseAscii(char* text) {
    for (; *text != '\0'; ++text) {
        if (*text >= 'a' && *text <= 'z') {
            *text = static_cast<char>(*text - 'a' + 'A');
        }
    }
}

enum class Element { Other, Weather, GeoLat, GeoLong, Img };

struct Recognised {
    const char* name;
    Element element;
    ScanState state;
};

constexpr Recognised recognisedNames[] = {
    {"NWEATHER:LOCATION", Element::Weather, ScanState::Location},
    {"NWEATHER:UNITS", Element::Weather, ScanState::Units},
    {"NWEATHER:WIND", Element::Weather, ScanState::Wind},
    {"NWEATHER:ATMOSPHERE", Element::Weather, ScanState::Atmosphere},
    {"NWEATHER:ASTRONOMY", Element::Weather, ScanState::Astronomy},
    {"GEO:LAT", Element::GeoLat, ScanState::None},
    {"GEO:LONG", Element::GeoLong, ScanState::None},
    {"NWEATHER:CONDITION", Element::Weather, ScanState::Condition},
    {"IMG", Element::Img, ScanState::None},
    {"NWEATHER:FORECAST", Element::Weather, ScanState::Forecast},
};

// False when the name in bytes [q, d) cannot be a recognised one: every recognised name is
// at least three bytes long and starts with G, I or N in either case.
bool mayBeRecognised(const char* body, int32_t q, int32_t d) {
    if (d - q < 3)
        return false;
    char first = body[q];
    return first == 'G' || first == 'I' || first == 'N' || first == 'g' || first == 'i' ||
           first == 'n';
}

// The outcome of scanning one element: where the main loop goes on, or the end of the scan.
struct Next {
    bool end;
    int32_t position;
};

// Takes the quoted values of a recognised weather element, from `a` on. The caller holds the
// state lock: no I/O happens here.
Next scanAttributes(const char* body, int32_t length, int32_t a, ScanState state,
                    ForecastDay* day) {
    char value[workBufferSize];
    int32_t ordinal = 0;
    for (;;) {
        int32_t k = findEither(body, length, a, '"', '/');
        if (k >= length)
            return Next{true, length};
        if (body[k] == '/') {
            if (k + 1 >= length)
                return Next{true, length};
            return Next{false, k + 1};
        }
        int32_t v = k + 1;
        if (v >= length)
            return Next{true, length};
        int32_t m = findEither(body, length, v, '"', '/');
        if (m < length && body[m] == '/') {
            // A '/' inside a value drops it and the rest of the element.
            return Next{false, m - 1};
        }
        takeBytes(value, body, v, m);
        ++ordinal;
        storeValue(slotFor(state, ordinal, day), value);
        if (m >= length)
            return Next{true, length};
        a = m + 1;
    }
}

// Takes the text content of a position element whose name ended at `d`.
Next scanText(const char* body, int32_t length, int32_t d, char* field, size_t size) {
    int32_t t = d + 1;
    int32_t lt = find(body, length, t, '<');
    if (t >= length || lt >= length)
        return Next{true, length};
    char value[workBufferSize];
    takeBytes(value, body, t, lt);
    std::lock_guard guard(viewerState.stateLock);
    storeValue(textSlot(field, size), value);
    return Next{false, lt};
}

}  // namespace

void scanFeed(const char* body, int32_t length) {
    WeatherReport& w = viewerState.weather;
    {
        std::lock_guard guard(viewerState.stateLock);
        w.forecastCount = 0;
    }
    if (body == nullptr || length < 0) {
        length = 0;
    }
    char name[workBufferSize];
    int32_t p = 0;
    for (;;) {
        p = find(body, length, p, '<');
        int32_t q = p + 1;
        if (q >= length)
            return;
        int32_t d = findNameEnd(body, length, q);

        // Most names of a feed (closing tags, channel and item elements) are passed over
        // before they are copied and compared.
        const Recognised* match = nullptr;
        if (mayBeRecognised(body, q, d)) {
            takeBytes(name, body, q, d);
            upperCaseAscii(name);
            for (const Recognised& candidate : recognisedNames) {
                if (strcmp(name, candidate.name) == 0) {
                    match = &candidate;
                    break;
                }
            }
        }
        Next next{false, d};
        if (match == nullptr) {
            // Only this thread writes scanState, so reading it needs no lock.
            if (viewerState.scanState != ScanState::None) {
                setScanState(ScanState::None);
            }
        } else if (match->element == Element::Weather) {
            // One hold for the whole element: a paint never finds a forecast column counted
            // but still holding the previous feed's values.
            std::lock_guard guard(viewerState.stateLock);
            ForecastDay* day = nullptr;
            if (match->state == ScanState::Forecast && w.forecastCount < forecastCapacity) {
                day = &w.forecasts[w.forecastCount];
                ++w.forecastCount;
            }
            viewerState.scanState = match->state;
            next = scanAttributes(body, length, d, match->state, day);
        } else if (match->element == Element::GeoLat) {
            setScanState(ScanState::None);
            next = scanText(body, length, d, w.latitude, sizeof w.latitude);
        } else if (match->element == Element::GeoLong) {
            setScanState(ScanState::None);
            next = scanText(body, length, d, w.longitude, sizeof w.longitude);
        } else {
            next.position = handleImgElement(body, length, d);
        }
        if (next.end)
            return;
        p = next.position;
    }
}

}  // namespace nubivo
