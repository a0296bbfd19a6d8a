#include "tests/hosts/live/scripted_model.h"

#include <eccodes.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "hosts/core/calendar.h"
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

std::string gribMessage(const live::ModelVariable& variable, int64_t run, int32_t from, int32_t to,
                        int32_t columns, const PlaceValue& value, bool complexPacking) {
    const int32_t rows = columns / 2 + 1;
    const double step = 360.0 / columns;
    std::vector<double> values(static_cast<size_t>(columns) * rows);
    for (int32_t j = 0; j < rows; ++j) {
        for (int32_t i = 0; i < columns; ++i) {
            const double longitude = i * step >= 180 ? i * step - 360 : i * step;
            values[static_cast<size_t>(j) * columns + i] = value(90 - j * step, longitude);
        }
    }
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
        {"typeOfStatisticalProcessing", variable.statistic == live::Statistic::Accumulation ? 1
                                        : variable.statistic == live::Statistic::Maximum    ? 2
                                                                                            : 3},
        {"indicatorOfUnitOfTimeRange", 1},
        {"forecastTime", from},
        {"indicatorOfUnitForTimeRange", inDays ? 2 : 1},
        {"lengthOfTimeRange", inDays ? (to - from) / 24 : to - from},
        {"Ni", columns},
        {"Nj", rows},
        {"bitsPerValue", 16},
    };
    for (const auto& [key, number] : longs)
        check(codes_set_long(h, key, number), key);
    if (variable.levelType == 103) {
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
    return std::string(static_cast<const char*>(message), length);
}

void putRun(ScriptedBucket& bucket, const ScriptedRun& run, const ScriptedWeatherModel& weather) {
    const std::string date = "d=" + live::runName(run.run);
    auto over = [&weather](int32_t from, int32_t to, Variable variable) {
        return [&weather, from, to, variable](double latitude, double longitude) {
            double result = variable == Tmin ? 1e9 : variable == Tmax ? -1e9 : 0;
            for (int32_t hour = from + 1; hour <= to; ++hour) {
                if (variable == Apcp) {
                    result += weather.rain(latitude, longitude, hour);
                } else {
                    const double t = weather.temperature(latitude, longitude, hour);
                    result = variable == Tmax ? std::max(result, t) : std::min(result, t);
                }
            }
            return result;
        };
    };
    for (const int32_t hour : run.hours) {
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
                    gribMessage(model, run.run, mark, hour, run.columns, over(mark, hour, variable),
                                run.complexPacking));
            }
        }
        add("UGRD", "10 m above ground", at, otherRecord(2000, 'b'));
        if (hour > 0) {
            const live::ModelVariable& apcp = live::modelVariables[Apcp];
            add("PRATE", "surface", timeRange(mark, hour, "ave"), otherRecord(2500, 'c'));
            if (run.buckets) {
                add(apcp.name, apcp.level, timeRange(mark, hour, "acc"),
                    gribMessage(apcp, run.run, mark, hour, run.columns, over(mark, hour, Apcp),
                                run.complexPacking));
            }
            if (run.totals) {
                add(apcp.name, apcp.level, timeRange(0, hour, "acc"),
                    gribMessage(apcp, run.run, 0, hour, run.columns, over(0, hour, Apcp),
                                run.complexPacking));
            }
        }
        add("CPOFP", "surface", at, otherRecord(1500, 'd'));
        bucket.put(modelKey(run.run, hour), std::move(file));
        bucket.put(modelKey(run.run, hour) + ".idx", std::move(inventory));
    }
}

}  // namespace nubivo::test
