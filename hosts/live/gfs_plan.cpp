#include "hosts/live/gfs_plan.h"

#include <algorithm>
#include <deque>
#include <tuple>

#include "hosts/live/gfs_run.h"

namespace nubivo::live {

const ModelVariable modelVariables[modelFieldCount] = {
    {"TMAX", "2 m above ground", Statistic::Maximum, 0, 0, 4, heightAboveGround, 2, -273.15},
    {"TMIN", "2 m above ground", Statistic::Minimum, 0, 0, 5, heightAboveGround, 2, -273.15},
    {"APCP", "surface", Statistic::Accumulation, 0, 1, 8, groundSurface, 0, 0.0},
};

int32_t statisticCode(Statistic statistic) {
    switch (statistic) {
        case Statistic::Average:
            return 0;
        case Statistic::Accumulation:
            return 1;
        case Statistic::Maximum:
            return 2;
        case Statistic::Minimum:
            return 3;
        case Statistic::Instant:
            break;
    }
    return -1;
}

namespace {

// A step from one forecast hour to another through one candidate record's window: forward
// adds it, backward (accumulations only) subtracts it.
struct Step {
    int32_t from;
    int32_t to;
    size_t candidate;
    int32_t sign;
};

// The fewest steps from `start` to `end` (breadth first, in the candidates' order, so the
// same inventories always give the same plan); empty when there is no way.
std::vector<Step> shortestWay(const std::vector<Step>& steps, int32_t start, int32_t end) {
    std::map<int32_t, size_t> reachedBy;  // hour -> index of the step that reached it
    std::deque<int32_t> queue{start};
    reachedBy.emplace(start, steps.size());
    while (!queue.empty() && !reachedBy.count(end)) {
        const int32_t at = queue.front();
        queue.pop_front();
        for (size_t i = 0; i < steps.size(); ++i) {
            if (steps[i].from == at && reachedBy.emplace(steps[i].to, i).second)
                queue.push_back(steps[i].to);
        }
    }
    std::vector<Step> way;
    if (!reachedBy.count(end))
        return way;
    for (int32_t at = end; at != start;) {
        const Step& step = steps[reachedBy.at(at)];
        way.push_back(step);
        at = step.from;
    }
    std::reverse(way.begin(), way.end());
    return way;
}

}  // namespace

std::optional<PeriodPlan> planPeriod(
    int64_t run, int64_t periodStart,
    const std::map<int32_t, std::vector<InventoryRecord>>& inventories) {
    const auto first = static_cast<int32_t>((periodStart - run) / 3600);
    const auto last = static_cast<int32_t>((periodStart + periodSeconds - run) / 3600);
    if (periodStart < run || (periodStart - run) % 3600 != 0)
        return std::nullopt;
    PeriodPlan plan;
    plan.run = run;
    plan.periodStart = periodStart;
    std::vector<std::pair<PlannedRecord, int32_t>> chosen;  // with its field part's sign
    std::vector<size_t> firstOfField;
    for (int32_t field = 0; field < modelFieldCount; ++field) {
        const ModelVariable& variable = modelVariables[field];
        const bool accumulation = variable.statistic == Statistic::Accumulation;
        std::vector<PlannedRecord> candidates;
        std::vector<Step> steps;
        for (const auto& [hour, inventory] : inventories) {
            for (size_t i = 0; i < inventory.size(); ++i) {
                const InventoryRecord& record = inventory[i];
                if (record.runTime != run || record.variable != variable.name ||
                    record.level != variable.level) {
                    continue;
                }
                const std::optional<HourWindow> window = parseTimeRange(record.timeRange);
                if (!window || window->statistic != variable.statistic)
                    continue;
                // Maxima and minima can only be joined, never taken apart: their windows
                // must lie inside the period.
                if (!accumulation && (window->from < first || window->to > last))
                    continue;
                const size_t candidate = candidates.size();
                candidates.push_back({field, hour, *window, recordBytes(inventory, i)});
                steps.push_back({window->from, window->to, candidate, 1});
                if (accumulation)
                    steps.push_back({window->to, window->from, candidate, -1});
            }
        }
        const std::vector<Step> way = shortestWay(steps, first, last);
        if (way.empty())
            return std::nullopt;
        firstOfField.push_back(chosen.size());
        for (const Step& step : way)
            chosen.emplace_back(candidates[step.candidate], step.sign);
    }
    firstOfField.push_back(chosen.size());
    // Records in file order, so that neighbours in a file can share one request.
    std::vector<size_t> order(chosen.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&chosen](size_t a, size_t b) {
        return std::tie(chosen[a].first.hour, chosen[a].first.bytes.first) <
               std::tie(chosen[b].first.hour, chosen[b].first.bytes.first);
    });
    std::vector<size_t> placeOf(chosen.size());
    for (size_t place = 0; place < order.size(); ++place) {
        placeOf[order[place]] = place;
        plan.records.push_back(chosen[order[place]].first);
    }
    for (int32_t field = 0; field < modelFieldCount; ++field) {
        for (size_t i = firstOfField[field]; i < firstOfField[field + 1]; ++i)
            plan.parts[field].push_back({placeOf[i], chosen[i].second});
    }
    return plan;
}

}  // namespace nubivo::live
