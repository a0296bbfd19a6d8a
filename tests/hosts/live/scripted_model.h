#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hosts/live/gfs_plan.h"
#include "tests/hosts/live/scripted_bucket.h"

namespace nubivo::test {

// A value of a field at a place (latitude, longitude from -180 to 180).
using PlaceValue = std::function<double(double latitude, double longitude)>;

// One GRIB2 message as NOAA's files hold them, written with ecCodes from its GRIB2 sample:
// `variable` of `run` over forecast hours (from, to] (a total from the start at whole days
// counted in days), on a global grid of `columns` points round the globe (the model's 1440)
// from 90 N 0 E, rows north to south; complex packing with spatial differencing (template
// 5.3, as NOAA sends) or simple packing, at `bitsPerValue`. NaN values are left out through
// a bitmap. Every message is decoded again and compared with the values that went in (ecCodes
// 2.28 packs some large fields wrongly with spatial differencing): a runtime_error if they
// differ.
std::string gribMessage(const live::ModelVariable& variable, int64_t run, int32_t from, int32_t to,
                        int32_t columns, const PlaceValue& value, bool complexPacking = false,
                        int32_t bitsPerValue = 16);
// The same with the values of every point given, row by row from the north.
std::string gribMessage(const live::ModelVariable& variable, int64_t run, int32_t from, int32_t to,
                        int32_t columns, std::vector<double> values, bool complexPacking,
                        int32_t bitsPerValue);

// The weather of a scripted run hour by hour, from which every record is made: the 2 m
// temperature (K) at forecast hour h, and the rain (mm) in the hour that ends at h.
struct ScriptedWeatherModel {
    std::function<double(double latitude, double longitude, int32_t hour)> temperature;
    std::function<double(double latitude, double longitude, int32_t hour)> rain;
};

// Weather with the detail of a real model run, for looking at maps and for realistic
// message sizes: temperature falling towards the poles with a day's warming and cooling by
// local time, waves, cold mountains, and a square of one degree 15 degrees warmer a quarter of
// the way across each region's box, halfway down; rain in moving bands and near the equator,
// and a square of one degree of heavy rain three quarters of the way across, halfway down.
ScriptedWeatherModel detailedWeather(int64_t run);

// How a scripted run lays out its files.
struct ScriptedRun {
    int64_t run = 0;             // a cycle time, seconds since 1970
    std::vector<int32_t> hours;  // the forecast hours it has files of
    int32_t columns = 180;
    bool buckets = true;  // APCP since the last 6-hour mark
    bool totals = true;   // APCP since the run began
    bool complexPacking = false;
    int32_t bitsPerValue = 16;  // 4 gives messages of the model's grid the size of NOAA's
};

// Puts the files of `run` and their inventories into `bucket` under NOAA's keys. Each file
// (past hour 0) holds, among records of other fields, TMAX and TMIN over the hours since the
// last 6-hour mark and APCP as a bucket since then and a total since the start (each as
// `run` asks), every record's values the maximum, minimum or sum of `weather` over its
// window.
void putRun(ScriptedBucket& bucket, const ScriptedRun& run, const ScriptedWeatherModel& weather);

// The key of a run's file: "gfs.20261207/06/atmos/gfs.t06z.pgrb2.0p25.f012".
std::string modelKey(int64_t run, int32_t hour);

}  // namespace nubivo::test
