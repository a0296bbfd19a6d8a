#include "hosts/live/gfs_run.h"

#include <cstdio>

#include "hosts/core/calendar.h"

namespace nubivo::live {
namespace {

constexpr const char* dash = "\xE2\x80\x93";  // an en dash

std::string dayText(int64_t seconds) {
    const host::CivilDate date = host::civilDate(host::floorDiv(seconds, 86400));
    return std::string(host::weekdayName(date.weekday)) + " " + std::to_string(date.day) + " " +
           host::monthName(date.month);
}

int32_t hourOf(int64_t seconds) {
    return static_cast<int32_t>(seconds - host::floorDiv(seconds, 86400) * 86400) / 3600;
}

}  // namespace

int64_t periodStart(int64_t now) {
    return -host::floorDiv(-now, cycleSeconds) * cycleSeconds;
}

int64_t newestCycle(int64_t now) {
    return host::floorDiv(now, cycleSeconds) * cycleSeconds;
}

std::vector<int32_t> periodHours(int64_t run, int64_t periodStart) {
    std::vector<int32_t> hours;
    for (int64_t at = periodStart; at <= periodStart + periodSeconds; at += cycleSeconds)
        hours.push_back(static_cast<int32_t>((at - run) / 3600));
    return hours;
}

std::string modelFileUrl(const std::string& base, int64_t run, int32_t hour) {
    std::string root = base;
    while (!root.empty() && root.back() == '/')
        root.pop_back();
    const host::CivilDate date = host::civilDate(host::floorDiv(run, 86400));
    char path[96];
    std::snprintf(path, sizeof path, "/gfs.%04d%02d%02d/%02d/atmos/gfs.t%02dz.pgrb2.0p25.f%03d",
                  date.year, date.month, date.day, hourOf(run), hourOf(run), hour);
    return root + path;
}

std::string runName(int64_t run) {
    const host::CivilDate date = host::civilDate(host::floorDiv(run, 86400));
    char name[16];
    std::snprintf(name, sizeof name, "%04d%02d%02d%02d", date.year, date.month, date.day,
                  hourOf(run));
    return name;
}

std::string periodText(int64_t periodStart) {
    char hours[40];
    const int32_t hour = hourOf(periodStart);
    if (hour == 0) {
        std::snprintf(hours, sizeof hours, " 00%s24 UTC", dash);
        return dayText(periodStart) + hours;
    }
    const host::CivilDate next =
        host::civilDate(host::floorDiv(periodStart + periodSeconds, 86400));
    std::snprintf(hours, sizeof hours, " %02d %s %s %02d UTC", hour, dash,
                  host::weekdayName(next.weekday), hour);
    return dayText(periodStart) + hours;
}

}  // namespace nubivo::live
