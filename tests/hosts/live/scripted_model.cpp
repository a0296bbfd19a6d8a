#include "tests/hosts/live/scripted_model.h"

#include <eccodes.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "hosts/core/calendar.h"
#include "hosts/core/regions.h"
#include "hosts/live/gfs_decode.h"
#include "hosts/live/gfs_run.h"

namespace nubivo::test {
namespace {

enum Variable { Tmax = 0, Tmin = 1, Apcp = 2 };

void check(int error, const char* what) {
    if (error != CODES_SUCCESS)
        throw std::runtime_error(std::string("gribMessage: ") + what + ": " +
                                 codes_get_error_message(error));
}

// A record of another field: never to be read by the host, so any bytes do.
std::string otherRecord(size_t size, char fill) {
    return "GRIB" + std::string(size - 8, fill) + "7777";
}

std::string timeRange(int32_t from, int32_t to, const char* statistic) {
    if (from == 0 && to % 24 == 0 && std::string(statistic) == "acc")
        return "0-" + std::to_string(to / 24) + " day acc fcst";
    return std::to_string(from) + "-" + std::to_string(to) + " hour " + statistic + " fcst";
}

}  // namespace

std::string modelKey(int64_t run, int32_t hour) {
    return live::modelFileUrl("", run, hour).substr(1);
}

namespace {

// The value at every point of a global grid of `columns` points round the globe, row by row
// from the north.
std::vector<double> gridValues(int32_t columns, const PlaceValue& value) {
    const int32_t rows = columns / 2 + 1;
    const double step = 360.0 / columns;
    std::vector<double> values(static_cast<size_t>(columns) * rows);
    for (int32_t j = 0; j < rows; ++j) {
        for (int32_t i = 0; i < columns; ++i) {
            const double longitude = i * step >= 180 ? i * step - 360 : i * step;
            values[static_cast<size_t>(j) * columns + i] = value(90 - j * step, longitude);
        }
    }
    return values;
}

}  // namespace

std::string gribMessage(const live::ModelVariable& variable, int64_t run, int32_t from, int32_t to,
                        int32_t columns, const PlaceValue& value, bool complexPacking,
                        int32_t bitsPerValue) {
    return gribMessage(variable, run, from, to, columns, gridValues(columns, value), complexPacking,
                       bitsPerValue);
}

std::string gribMessage(const live::ModelVariable& variable, int64_t run, int32_t from, int32_t to,
                        int32_t columns, std::vector<double> values, bool complexPacking,
                        int32_t bitsPerValue) {
    const int32_t rows = columns / 2 + 1;
    const double step = 360.0 / columns;
    if (values.size() != static_cast<size_t>(columns) * rows)
        throw std::runtime_error("gribMessage: values of another grid");
    std::lock_guard<std::mutex> lock(live::codesMutex());
    std::unique_ptr<codes_handle, void (*)(codes_handle*)> handle(
        codes_grib_handle_new_from_samples(nullptr, "GRIB2"),
        [](codes_handle* h) { codes_handle_delete(h); });
    if (!handle)
        throw std::runtime_error("gribMessage: no GRIB2 sample");
    codes_handle* h = handle.get();
    const host::CivilDate date = host::civilDate(host::floorDiv(run, 86400));
    const long hour = static_cast<long>(run / 3600 % 24);
    const bool inDays =
        from == 0 && to % 24 == 0 && variable.statistic == live::Statistic::Accumulation;
    const struct {
        const char* key;
        long value;
    } longs[] = {
        {"centre", 7},  // NCEP
        {"dataDate", date.year * 10000L + date.month * 100L + date.day},
        {"dataTime", hour * 100},
        {"productDefinitionTemplateNumber", 8},
        {"discipline", variable.discipline},
        {"parameterCategory", variable.category},
        {"parameterNumber", variable.number},
        {"typeOfFirstFixedSurface", variable.levelType},
        {"typeOfStatisticalProcessing", live::statisticCode(variable.statistic)},
        {"indicatorOfUnitOfTimeRange", 1},
        {"forecastTime", from},
        {"indicatorOfUnitForTimeRange", inDays ? 2 : 1},
        {"lengthOfTimeRange", inDays ? (to - from) / 24 : to - from},
        {"Ni", columns},
        {"Nj", rows},
        {"bitsPerValue", bitsPerValue},
    };
    for (const auto& [key, number] : longs)
        check(codes_set_long(h, key, number), key);
    if (variable.levelType == live::heightAboveGround) {
        check(codes_set_long(h, "scaleFactorOfFirstFixedSurface", 0), "level");
        check(codes_set_long(h, "scaledValueOfFirstFixedSurface", variable.levelValue), "level");
    }
    const struct {
        const char* key;
        double value;
    } doubles[] = {
        {"latitudeOfFirstGridPointInDegrees", 90},
        {"longitudeOfFirstGridPointInDegrees", 0},
        {"latitudeOfLastGridPointInDegrees", -90},
        {"longitudeOfLastGridPointInDegrees", 360 - step},
        {"iDirectionIncrementInDegrees", step},
        {"jDirectionIncrementInDegrees", step},
    };
    for (const auto& [key, number] : doubles)
        check(codes_set_double(h, key, number), key);
    // Points without a value go into a bitmap, as the model's masked fields do.
    constexpr double missing = 9999;
    if (std::any_of(values.begin(), values.end(), [](double v) { return std::isnan(v); })) {
        check(codes_set_double(h, "missingValue", missing), "missingValue");
        check(codes_set_long(h, "bitmapPresent", 1), "bitmapPresent");
        for (double& v : values)
            v = std::isnan(v) ? missing : v;
    }
    size_t length = 0;
    if (complexPacking)
        check(codes_set_string(h, "packingType", "grid_complex_spatial_differencing", &length),
              "packingType");
    check(codes_set_double_array(h, "values", values.data(), values.size()), "values");
    const void* message = nullptr;
    check(codes_get_message(h, &message, &length), "message");
    std::string bytes(static_cast<const char*>(message), length);
    // ecCodes has been seen to pack large fields wrongly: the message must decode to what
    // went in, within what the bits per value can tell apart.
    std::unique_ptr<codes_handle, void (*)(codes_handle*)> decoded(
        codes_handle_new_from_message(nullptr, bytes.data(), bytes.size()),
        [](codes_handle* d) { codes_handle_delete(d); });
    std::vector<double> back(values.size());
    size_t count = back.size();
    check(decoded ? codes_get_double_array(decoded.get(), "values", back.data(), &count)
                  : CODES_INTERNAL_ERROR,
          "decoding the message written");
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    // The reference value is a 32-bit float: a constant field keeps only its precision.
    const double tolerance = (*high - *low) / ((1 << bitsPerValue) - 1) +
                             1e-6 * std::max(std::abs(*low), std::abs(*high)) + 1e-6;
    for (size_t i = 0; i < values.size(); ++i) {
        if (std::abs(back[i] - values[i]) > tolerance)
            throw std::runtime_error("gribMessage: ecCodes packed the field wrongly at point " +
                                     std::to_string(i));
    }
    return bytes;
}

ScriptedWeatherModel detailedWeather(int64_t run) {
    const int32_t runHour = static_cast<int32_t>(run / 3600 % 24);
    // A square of one degree at a share of each box's width from the west and of its height
    // from the north.
    auto inSquare = [](double lat, double lon, double across, double down) {
        for (const host::GeoBox& box : host::regionBoxes) {
            const double west = std::floor(box.west + across * (box.east - box.west));
            const double north = std::floor(box.north - down * (box.north - box.south));
            if (lat >= north - 1 && lat <= north && lon >= west && lon <= west + 1)
                return true;
        }
        return false;
    };
    constexpr double degree = M_PI / 180;
    return {[=](double lat, double lon, int32_t hour) {
                const double local = std::fmod(runHour + hour + lon / 15 + 48, 24);
                double t = 255.15 + 32 * std::pow(std::cos(lat * degree), 1.5) +
                           6 * std::sin(2 * M_PI * (local - 9) / 24) +
                           4 * std::sin(lon / 7 + lat / 5);
                const struct {
                    double lat, lon;
                } peaks[] = {{46, 10}, {40, -106}, {31, 84}, {-20, -68}, {-30, 30}};
                for (const auto& peak : peaks) {
                    const double d2 =
                        (lat - peak.lat) * (lat - peak.lat) + (lon - peak.lon) * (lon - peak.lon);
                    t -= 10 * std::exp(-d2 / 8);
                }
                return t + (inSquare(lat, lon, 0.25, 0.5) ? 15 : 0);
            },
            [=](double lat, double lon, int32_t hour) {
                const double band = std::sin((lon + 2.0 * (runHour + hour)) / 6 + lat / 4);
                double rain = band > 0.8 ? 0.6 * (band - 0.8) / 0.2 : 0;
                if (std::abs(lat - 5) < 4)
                    rain += 0.25;
                return rain + (inSquare(lat, lon, 0.75, 0.5) ? 1.5 : 0);
            }};
}

void putRun(ScriptedBucket& bucket, const ScriptedRun& run, const ScriptedWeatherModel& weather) {
    const std::string date = "d=" + live::runName(run.run);
    // The hours run by in turn: the windows since the last 6-hour mark and since the start
    // are kept up to date, and a file takes them as they stand at its hour.
    const std::vector<double> latitudes =
        gridValues(run.columns, [](double lat, double) { return lat; });
    const std::vector<double> longitudes =
        gridValues(run.columns, [](double, double lon) { return lon; });
    const size_t points = latitudes.size();
    std::vector<double> highest(points), lowest(points), sinceMark(points), sinceStart(points, 0.0);
    const int32_t lastHour = *std::max_element(run.hours.begin(), run.hours.end());
    for (int32_t hour = 0; hour <= lastHour; ++hour) {
        if (hour > 0) {
            if ((hour - 1) % 6 == 0) {
                std::fill(highest.begin(), highest.end(), -1e9);
                std::fill(lowest.begin(), lowest.end(), 1e9);
                std::fill(sinceMark.begin(), sinceMark.end(), 0.0);
            }
            for (size_t i = 0; i < points; ++i) {
                const double t = weather.temperature(latitudes[i], longitudes[i], hour);
                const double rain = weather.rain(latitudes[i], longitudes[i], hour);
                highest[i] = std::max(highest[i], t);
                lowest[i] = std::min(lowest[i], t);
                sinceMark[i] += rain;
                sinceStart[i] += rain;
            }
        }
        if (std::find(run.hours.begin(), run.hours.end(), hour) == run.hours.end())
            continue;
        std::string file;
        std::string inventory;
        int32_t number = 0;
        auto add = [&](const std::string& name, const std::string& level, const std::string& range,
                       std::string bytes) {
            inventory += std::to_string(++number) + ":" + std::to_string(file.size()) + ":" + date +
                         ":" + name + ":" + level + ":" + range + ":\n";
            file += bytes;
        };
        const int32_t mark = (hour - 1) / 6 * 6;  // the last 6-hour mark before the hour
        const std::string at = hour == 0 ? "anl" : std::to_string(hour) + " hour fcst";
        add("TMP", "2 m above ground", at, otherRecord(3000, 'a'));
        if (hour > 0) {
            for (const Variable variable : {Tmax, Tmin}) {
                const live::ModelVariable& model = live::modelVariables[variable];
                add(model.name, model.level,
                    timeRange(mark, hour, variable == Tmax ? "max" : "min"),
                    gribMessage(model, run.run, mark, hour, run.columns,
                                variable == Tmax ? highest : lowest, run.complexPacking,
                                run.bitsPerValue));
            }
        }
        add("UGRD", "10 m above ground", at, otherRecord(2000, 'b'));
        if (hour > 0) {
            const live::ModelVariable& apcp = live::modelVariables[Apcp];
            add("PRATE", "surface", timeRange(mark, hour, "ave"), otherRecord(2500, 'c'));
            if (run.buckets) {
                add(apcp.name, apcp.level, timeRange(mark, hour, "acc"),
                    gribMessage(apcp, run.run, mark, hour, run.columns, sinceMark,
                                run.complexPacking, run.bitsPerValue));
            }
            if (run.totals) {
                add(apcp.name, apcp.level, timeRange(0, hour, "acc"),
                    gribMessage(apcp, run.run, 0, hour, run.columns, sinceStart, run.complexPacking,
                                run.bitsPerValue));
            }
        }
        add("CPOFP", "surface", at, otherRecord(1500, 'd'));
        bucket.put(modelKey(run.run, hour), std::move(file));
        bucket.put(modelKey(run.run, hour) + ".idx", std::move(inventory));
    }
}

}  // namespace nubivo::test
