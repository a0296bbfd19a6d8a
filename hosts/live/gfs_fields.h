#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/live/gfs_grid.h"
#include "hosts/live/gfs_plan.h"

namespace nubivo::live {

// A period's three fields (in modelVariables' order: highs and lows in degrees C,
// precipitation in mm) cropped to every region (in regionBoxes' order).
struct PeriodFields {
    int64_t run = 0;          // seconds since 1970
    int64_t periodStart = 0;  // seconds since 1970; the period lasts periodSeconds
    std::vector<FieldCrop> fields[modelFieldCount];
};

// The fields as a cache file: a line of JSON (what they are, their shapes, a checksum) and
// the values as 32-bit floats of this machine.
std::string fieldsFileBytes(const PeriodFields& fields);

// Reads a cache file of fieldsFileBytes; nullopt when it is damaged, of another format, or
// when a crop does not cover its region's box.
std::optional<PeriodFields> readFieldsFile(std::string_view bytes);

}  // namespace nubivo::live
