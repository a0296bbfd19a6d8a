#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "hosts/live/gfs_grid.h"
#include "hosts/live/gfs_inventory.h"
#include "hosts/live/gfs_plan.h"

namespace nubivo::live {

// Every call into ecCodes in the process holds this lock: Debian builds the library without
// its own thread locks for POSIX threads, and one field decoded at a time keeps the memory
// it takes (some 30 MB for a global field) from adding up.
std::mutex& codesMutex();

// Decodes `bytes`, which must be exactly one GRIB2 message, from memory with ecCodes. The
// message must hold `variable` from `run` (seconds since 1970) over `window`, on a regular
// latitude-longitude grid round the globe read in rows; anything else (another field, time
// or grid, a truncated or damaged message) gives nullopt and the reason in `error`. Values
// the message's bitmap leaves out are NaN; no offset is applied.
std::optional<LatLonGrid> decodeModelField(std::string_view bytes, const ModelVariable& variable,
                                           int64_t run, const HourWindow& window,
                                           std::string* error);

}  // namespace nubivo::live
