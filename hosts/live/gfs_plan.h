#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hosts/live/gfs_inventory.h"

namespace nubivo::live {

// GRIB2 fixed surfaces (WMO code table 4.5) of the fields the maps are made of.
inline constexpr int32_t groundSurface = 1;
inline constexpr int32_t heightAboveGround = 103;

// A field the forecast maps are made of, as the model's inventories name it and as its
// GRIB2 messages code it (WMO code tables 4.2 and 4.5).
struct ModelVariable {
    const char* name;   // "TMAX"
    const char* level;  // "2 m above ground"
    Statistic statistic;
    int32_t discipline;
    int32_t category;
    int32_t number;
    int32_t levelType;   // groundSurface or heightAboveGround
    int32_t levelValue;  // metres, above ground only
    double offset;       // added to the decoded values: Kelvin to Celsius, or nothing
};

// How GRIB2 codes a statistic over a window (WMO code table 4.10): 0 average,
// 1 accumulation, 2 maximum, 3 minimum; -1 for a value at one time.
int32_t statisticCode(Statistic statistic);

// The period's three fields, in the order of the forecast maps: the 2 m maximum temperature
// (High, degrees C), the 2 m minimum (Low, degrees C) and the precipitation (mm).
inline constexpr int32_t modelFieldCount = 3;
extern const ModelVariable modelVariables[modelFieldCount];

// One record to read: which file, where in it, and what it holds.
struct PlannedRecord {
    int32_t field = 0;  // index into modelVariables
    int32_t hour = 0;   // the forecast hour of its file
    HourWindow window;
    ByteRange bytes;
};

// One record's share in a period field: folded in by the field's statistic, an accumulation
// added with `sign` (a window's total can be the difference of two totals from the start).
struct FieldPart {
    size_t record = 0;  // index into PeriodPlan::records
    int32_t sign = 1;
};

// The records that give a period's maximum, minimum and total, each record once.
struct PeriodPlan {
    int64_t run = 0;
    int64_t periodStart = 0;
    std::vector<PlannedRecord> records;  // by file, then by place in it
    std::vector<FieldPart> parts[modelFieldCount];
};

// Plans a period from the inventories of `run`'s files by forecast hour: for each field the
// fewest records whose windows add up to exactly the period's hours, nothing before or after
// it. Maxima and minima come from windows that tile the period; a total from windows added
// or subtracted. nullopt when the inventories cannot give one of the fields so.
std::optional<PeriodPlan> planPeriod(
    int64_t run, int64_t periodStart,
    const std::map<int32_t, std::vector<InventoryRecord>>& inventories);

}  // namespace nubivo::live
