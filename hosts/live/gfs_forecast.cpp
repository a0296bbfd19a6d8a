#include "hosts/live/gfs_forecast.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <malloc.h>

#include "hosts/core/regions.h"
#include "hosts/live/gfs_decode.h"
#include "hosts/live/gfs_fetch.h"
#include "hosts/live/gfs_run.h"

namespace nubivo::live {
namespace {

constexpr const char* fieldsName = "model/fields.bin";
// The fields of eight regions at the model's resolution take about 7 MB.
constexpr size_t maxFieldsFileBytes = 64u * 1024u * 1024u;

Fold foldOf(Statistic statistic) {
    return statistic == Statistic::Maximum   ? Fold::Maximum
           : statistic == Statistic::Minimum ? Fold::Minimum
                                             : Fold::Sum;
}

}  // namespace

GfsForecast::GfsForecast(const LiveConfig& config, host::Clock clock, UpstreamClient& upstream,
                         const DiskCache& cache)
    : config_(config), clock_(std::move(clock)), upstream_(upstream), cache_(cache) {}

std::shared_ptr<const PeriodFields> GfsForecast::fields() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!loaded_) {
        loadHeld();
        loaded_ = true;
    }
    const int64_t now = clock_();
    const int64_t period = periodStart(now);
    auto current = [this, period] {
        return held_ && held_->periodStart == period ? held_ : nullptr;
    };
    // Checked lately for this very period: the answer stands (a new period is checked at
    // once, or a region built just after a cycle time would find nothing).
    if (checkedAt_ && checkedPeriod_ == period && now >= *checkedAt_ &&
        now - *checkedAt_ < config_.mapRetryDelay) {
        return current();
    }
    checkedAt_ = now;
    checkedPeriod_ = period;
    const int64_t newest = newestCycle(now);
    for (int32_t back = 0; back <= runsLookedBack; ++back) {
        const int64_t run = newest - back * cycleSeconds;
        if (current() && held_->run == run)
            return held_;  // the newest complete run, held already: nothing to fetch
        switch (tryRun(run, period)) {
            case Outcome::Done:
                return held_;
            case Outcome::Failed:
                return current();
            case Outcome::Incomplete:
                break;
        }
    }
    std::fprintf(stderr, "nubivo-live-host: no complete model run since %s\n",
                 runName(newest - runsLookedBack * cycleSeconds).c_str());
    return current();
}

GfsForecast::Outcome GfsForecast::tryRun(int64_t run, int64_t period) {
    std::vector<int32_t> hours = periodHours(run, period);
    // The last file of a period appears last: without it the run is not complete yet.
    std::rotate(hours.rbegin(), hours.rbegin() + 1, hours.rend());
    // Only the hours of this period: the plan must not reach into files it did not check.
    std::map<int32_t, std::vector<InventoryRecord>> needed;
    for (const int32_t hour : hours) {
        if (inventoryRun_ == run && inventories_.count(hour)) {
            needed.emplace(hour, inventories_.at(hour));
            continue;
        }
        InventoryFetch fetch =
            fetchInventory(upstream_, modelFileUrl(config_.gfsUrl, run, hour) + ".idx");
        requests_ += 1;
        bytes_ += static_cast<int64_t>(fetch.bytes);
        if (fetch.outcome == BucketOutcome::Missing)
            return Outcome::Incomplete;
        if (fetch.outcome == BucketOutcome::Failed) {
            std::fprintf(stderr, "nubivo-live-host: model run %s, inventory of hour %d: %s\n",
                         runName(run).c_str(), hour, fetch.error.c_str());
            return Outcome::Failed;
        }
        // The inventories of one run are kept: the next period of the same run needs most.
        if (inventoryRun_ != run) {
            inventories_.clear();
            inventoryRun_ = run;
        }
        inventories_.emplace(hour, fetch.records);
        needed.emplace(hour, std::move(fetch.records));
    }
    const std::optional<PeriodPlan> plan = planPeriod(run, period, needed);
    if (!plan) {
        std::fprintf(stderr, "nubivo-live-host: model run %s lacks the fields of the period\n",
                     runName(run).c_str());
        return Outcome::Incomplete;
    }
    return fetchFields(*plan);
}

GfsForecast::Outcome GfsForecast::fetchFields(const PeriodPlan& plan) {
    auto fields = std::make_shared<PeriodFields>();
    fields->run = plan.run;
    fields->periodStart = plan.periodStart;
    // Each record's field and sign.
    std::vector<std::pair<int32_t, int32_t>> roles(plan.records.size(), {-1, 0});
    for (int32_t field = 0; field < modelFieldCount; ++field) {
        for (const FieldPart& part : plan.parts[field])
            roles[part.record] = {field, part.sign};
    }
    const size_t regions = std::size(host::regionBoxes);
    std::string error;
    auto take = [&](const PlannedRecord& record, int32_t sign, std::string_view bytes) {
        const ModelVariable& variable = modelVariables[record.field];
        const std::optional<LatLonGrid> grid =
            decodeModelField(bytes, variable, plan.run, record.window, &error);
        if (!grid)
            return false;
        std::vector<FieldCrop>& field = fields->fields[record.field];
        for (size_t region = 0; region < regions; ++region) {
            FieldCrop crop = cropField(*grid, host::regionBoxes[region], variable.offset);
            if (field.size() <= region) {
                for (float& value : crop.values)
                    value *= static_cast<float>(sign);
                field.push_back(std::move(crop));
            } else if (!foldCrop(field[region], crop, foldOf(variable.statistic), sign)) {
                error = "records of different grids";
                return false;
            }
        }
        return true;
    };
    for (size_t begin = 0; begin < plan.records.size();) {
        const int32_t hour = plan.records[begin].hour;
        size_t end = begin;
        std::vector<ByteRange> ranges;
        while (end < plan.records.size() && plan.records[end].hour == hour)
            ranges.push_back(plan.records[end++].bytes);
        const RecordsFetch fetch =
            fetchRecords(upstream_, modelFileUrl(config_.gfsUrl, plan.run, hour), ranges,
                         [&](size_t index, std::string_view bytes) {
                             const size_t record = begin + index;
                             return take(plan.records[record], roles[record].second, bytes);
                         });
        requests_ += fetch.requests;
        bytes_ += static_cast<int64_t>(fetch.bytes);
        if (fetch.outcome != BucketOutcome::Got) {
            // The next attempt reads the inventories again: they may be what no longer fits.
            inventories_.clear();
            inventoryRun_ = 0;
            std::fprintf(stderr, "nubivo-live-host: model run %s, hour %d: %s%s%s\n",
                         runName(plan.run).c_str(), hour, fetch.error.c_str(),
                         error.empty() ? "" : ": ", error.c_str());
            return fetch.outcome == BucketOutcome::Missing ? Outcome::Incomplete : Outcome::Failed;
        }
        begin = end;
    }
    // A total told as the difference of two totals can come out a hair below nothing.
    for (int32_t field = 0; field < modelFieldCount; ++field) {
        if (modelVariables[field].statistic != Statistic::Accumulation)
            continue;
        for (FieldCrop& crop : fields->fields[field]) {
            for (float& value : crop.values)
                value = std::max(value, 0.0f);
        }
    }
    held_ = fields;
    cache_.write(fieldsName, fieldsFileBytes(*fields));
    std::fprintf(stderr, "nubivo-live-host: model run %s: %zu records for %s\n",
                 runName(plan.run).c_str(), plan.records.size(),
                 periodText(plan.periodStart).c_str());
    // The decoded fields and the messages came and went in large blocks: give the free ones
    // back to the system rather than keep them for the next run, hours away.
    malloc_trim(0);
    return Outcome::Done;
}

void GfsForecast::loadHeld() {
    const std::optional<std::string> bytes = cache_.read(fieldsName, maxFieldsFileBytes);
    if (!bytes)
        return;
    std::optional<PeriodFields> fields = readFieldsFile(*bytes);
    if (fields)
        held_ = std::make_shared<const PeriodFields>(std::move(*fields));
}

}  // namespace nubivo::live
