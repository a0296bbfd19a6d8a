#include "hosts/live/gfs_decode.h"

#include <eccodes.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "hosts/core/calendar.h"
#include "hosts/core/regions.h"

namespace nubivo::live {
namespace {

// The largest grid taken: 0.05 degrees round the globe (the model's is 1440 x 721).
constexpr long maxColumns = 7200;
constexpr long maxRows = 3601;
// Stands in for the points a bitmap leaves out while the values are read.
constexpr double missingMark = 1e30;

struct HandleDeleter {
    void operator()(codes_handle* handle) const { codes_handle_delete(handle); }
};
using Handle = std::unique_ptr<codes_handle, HandleDeleter>;

void logThroughHost(const codes_context*, int level, const char* message) {
    if (level == GRIB_LOG_ERROR || level == GRIB_LOG_WARNING)
        std::fprintf(stderr, "nubivo-live-host: ecCodes: %s\n", message);
}

// The message's own framing: "GRIB", edition 2, a total length that is the bytes' length,
// and the end mark. ecCodes is never shown a piece of a message.
bool framedWhole(std::string_view bytes) {
    if (bytes.size() < 16 + 4 || bytes.substr(0, 4) != "GRIB" || bytes[7] != 2 ||
        bytes.substr(bytes.size() - 4) != "7777") {
        return false;
    }
    uint64_t length = 0;
    for (size_t i = 8; i < 16; ++i)
        length = length << 8 | static_cast<unsigned char>(bytes[i]);
    return length == bytes.size();
}

class Reader {
  public:
    explicit Reader(codes_handle* handle) : handle_(handle) {}

    long number(const char* key) {
        long value = 0;
        if (codes_get_long(handle_, key, &value) != CODES_SUCCESS)
            fail(key);
        return value;
    }
    double real(const char* key) {
        double value = 0;
        if (codes_get_double(handle_, key, &value) != CODES_SUCCESS)
            fail(key);
        return value;
    }
    std::string text(const char* key) {
        char value[64] = {};
        size_t length = sizeof value;
        if (codes_get_string(handle_, key, value, &length) != CODES_SUCCESS) {
            fail(key);
            return "";
        }
        return std::string(value, strnlen(value, sizeof value));
    }
    // Records the first key that could not be read.
    void fail(const char* key) {
        if (missingKey_.empty())
            missingKey_ = key;
    }
    const std::string& missingKey() const { return missingKey_; }

  private:
    codes_handle* handle_;
    std::string missingKey_;
};

}  // namespace

std::mutex& codesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<LatLonGrid> decodeModelField(std::string_view bytes, const ModelVariable& variable,
                                           int64_t run, const HourWindow& window,
                                           std::string* error) {
    if (!framedWhole(bytes)) {
        *error = "not one whole GRIB2 message";
        return std::nullopt;
    }
    std::lock_guard<std::mutex> lock(codesMutex());
    static const bool logging = [] {
        codes_context_set_logging_proc(nullptr, logThroughHost);
        return true;
    }();
    (void)logging;
    Handle handle(codes_handle_new_from_message_copy(nullptr, bytes.data(), bytes.size()));
    if (!handle) {
        *error = "ecCodes cannot read the message";
        return std::nullopt;
    }
    // Steps in hours whatever unit the message counts its window in (a day, for totals at
    // whole days).
    codes_set_long(handle.get(), "stepUnits", 1);
    Reader read(handle.get());
    const host::CivilDate runDate = host::civilDate(host::floorDiv(run, 86400));
    const long runDay = runDate.year * 10000L + runDate.month * 100L + runDate.day;
    const long runHour = static_cast<long>(run - host::floorDiv(run, 86400) * 86400) / 3600;
    // A height above ground must match too; the surface has no value to compare.
    const bool sameField =
        read.number("discipline") == variable.discipline &&
        read.number("parameterCategory") == variable.category &&
        read.number("parameterNumber") == variable.number &&
        read.number("typeOfFirstFixedSurface") == variable.levelType &&
        (variable.levelType != heightAboveGround || read.number("level") == variable.levelValue) &&
        read.number("typeOfStatisticalProcessing") == statisticCode(variable.statistic) &&
        read.number("dataDate") == runDay && read.number("dataTime") == runHour * 100 &&
        read.number("startStep") == window.from && read.number("endStep") == window.to;
    if (!read.missingKey().empty() || !sameField) {
        *error = read.missingKey().empty() ? "the message holds another field or time"
                                           : "the message has no " + read.missingKey();
        return std::nullopt;
    }
    LatLonGrid grid;
    const long columns = read.number("Ni");
    const long rows = read.number("Nj");
    grid.firstLatitude = read.real("latitudeOfFirstGridPointInDegrees");
    grid.firstLongitude = read.real("longitudeOfFirstGridPointInDegrees");
    grid.longitudeStep = read.real("iDirectionIncrementInDegrees");
    grid.latitudeStep = read.real("jDirectionIncrementInDegrees");
    const bool rowsGoNorth = read.number("jScansPositively") != 0;
    const bool inRows =
        read.text("gridType") == "regular_ll" && read.number("iScansNegatively") == 0 &&
        read.number("jPointsAreConsecutive") == 0 && read.number("alternativeRowScanning") == 0;
    size_t count = 0;
    if (!read.missingKey().empty() || !inRows || columns < 2 || rows < 2 || columns > maxColumns ||
        rows > maxRows || codes_get_size(handle.get(), "values", &count) != CODES_SUCCESS ||
        count != static_cast<size_t>(columns * rows)) {
        *error = "the message's grid is not a regular latitude-longitude grid read in rows";
        return std::nullopt;
    }
    grid.columns = static_cast<int32_t>(columns);
    grid.rows = static_cast<int32_t>(rows);
    if (!rowsGoNorth)
        grid.latitudeStep = -grid.latitudeStep;
    codes_set_double(handle.get(), "missingValue", missingMark);
    grid.values.resize(count);
    if (codes_get_double_array(handle.get(), "values", grid.values.data(), &count) !=
            CODES_SUCCESS ||
        count != grid.values.size()) {
        *error = "ecCodes cannot unpack the message's values";
        return std::nullopt;
    }
    for (double& value : grid.values) {
        if (value == missingMark || !std::isfinite(value))
            value = std::numeric_limits<double>::quiet_NaN();
    }
    for (const host::GeoBox& box : host::regionBoxes) {
        if (!coversBox(grid, box)) {
            *error = "the message's grid does not cover the regions";
            return std::nullopt;
        }
    }
    return grid;
}

}  // namespace nubivo::live
