#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nubivo::live {

// The model runs every six hours (00, 06, 12 and 18 UTC); times are seconds since 1970.
inline constexpr int64_t cycleSeconds = 6 * 3600;
// The forecast maps show one day: the 24 hours from the first cycle time at or after the
// moment of the build.
inline constexpr int64_t periodSeconds = 24 * 3600;
// Runs looked at before giving up: the newest by the clock and this many before it.
inline constexpr int32_t runsLookedBack = 4;

// The start of the period the maps show at `now`.
int64_t periodStart(int64_t now);

// The newest cycle time at or before `now`: the newest run that may have begun to appear.
int64_t newestCycle(int64_t now);

// The forecast hours of `run` whose files a period needs: its start, every six hours, its
// end (all of them hours the model writes).
std::vector<int32_t> periodHours(int64_t run, int64_t periodStart);

// The file of forecast hour `hour` of `run` under `base`, as NOAA names it:
// base/gfs.YYYYMMDD/HH/atmos/gfs.tHHz.pgrb2.0p25.fFFF; its inventory adds ".idx".
std::string modelFileUrl(const std::string& base, int64_t run, int32_t hour);

// "2026120706": a run's name in logs and cache names.
std::string runName(int64_t run);

// The period a map shows, for its title: "Wed 9 Dec 00–24 UTC", or, for a period that
// starts at another hour, "Wed 9 Dec 06 – Thu 06 UTC".
std::string periodText(int64_t periodStart);

}  // namespace nubivo::live
