#include "hosts/live/forecast_grid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "hosts/live/json_fields.h"

namespace nubivo::live {
namespace {

constexpr double missing = std::numeric_limits<double>::quiet_NaN();

bool unitIs(const Json& point, const char* variable, const char* expected) {
    const Json* units = objectAt(point, "daily_units");
    if (units == nullptr || !units->contains(variable))
        return true;
    return stringAt(*units, variable) == expected;
}

// The first value of daily `variable` of one point: a number, or NaN for null. False for
// any other shape.
bool firstValue(const Json& daily, const char* variable, double* value) {
    const Json* values = arrayAt(daily, variable, 1);
    if (values == nullptr)
        return false;
    if ((*values)[0].is_null()) {
        *value = missing;
        return true;
    }
    const std::optional<double> number = numberIn(*values, 0);
    if (!number)
        return false;
    *value = *number;
    return true;
}

bool mostlyKnown(const std::vector<double>& values) {
    const auto unknown =
        std::count_if(values.begin(), values.end(), [](double v) { return std::isnan(v); });
    return unknown * 4 <= static_cast<long>(values.size());
}

double cubic(double p0, double p1, double p2, double p3, double t) {
    return p1 + 0.5 * t *
                    (p2 - p0 +
                     t * (2.0 * p0 - 5.0 * p1 + 4.0 * p2 - p3 + t * (3.0 * (p1 - p2) + p3 - p0)));
}

}  // namespace

double gridLongitude(const host::GeoBox& box, int32_t column) {
    return box.west + (column + 0.5) * (box.east - box.west) / gridColumns;
}

double gridLatitude(const host::GeoBox& box, int32_t row) {
    return box.north - (row + 0.5) * (box.north - box.south) / gridRows;
}

std::string gridForecastUrl(const std::string& base, const host::GeoBox& box) {
    std::string latitudes;
    std::string longitudes;
    char number[32];
    for (int32_t row = 0; row < gridRows; ++row) {
        for (int32_t column = 0; column < gridColumns; ++column) {
            std::snprintf(number, sizeof number, "%s%.2f", latitudes.empty() ? "" : ",",
                          gridLatitude(box, row));
            latitudes += number;
            std::snprintf(number, sizeof number, "%s%.2f", longitudes.empty() ? "" : ",",
                          gridLongitude(box, column));
            longitudes += number;
        }
    }
    return base + "?latitude=" + latitudes + "&longitude=" + longitudes +
           "&daily=temperature_2m_max,temperature_2m_min,precipitation_sum"
           "&timezone=auto&forecast_days=1&cell_selection=nearest";
}

bool parseGridAnswer(std::string_view body, ForecastGrid* grid) {
    const std::optional<Json> json = parseJson(body);
    if (!json || !json->is_array() || json->size() != static_cast<size_t>(gridPoints))
        return false;
    ForecastGrid out;
    for (size_t i = 0; i < json->size(); ++i) {
        const Json& point = (*json)[i];
        const Json* daily = objectAt(point, "daily");
        if (daily == nullptr || !unitIs(point, "temperature_2m_max", "\u00B0C") ||
            !unitIs(point, "temperature_2m_min", "\u00B0C") ||
            !unitIs(point, "precipitation_sum", "mm")) {
            return false;
        }
        const Json* times = arrayAt(*daily, "time", 1);
        const std::optional<std::string> date = times ? stringIn(*times, 0) : std::nullopt;
        double high = 0, low = 0, rain = 0;
        if (!date || !firstValue(*daily, "temperature_2m_max", &high) ||
            !firstValue(*daily, "temperature_2m_min", &low) ||
            !firstValue(*daily, "precipitation_sum", &rain)) {
            return false;
        }
        if (i == 0)
            out.date = *date;
        out.high.push_back(high);
        out.low.push_back(low);
        out.precipitation.push_back(std::isnan(rain) ? rain : std::max(rain, 0.0));
    }
    if (!mostlyKnown(out.high) || !mostlyKnown(out.low) || !mostlyKnown(out.precipitation))
        return false;
    *grid = std::move(out);
    return true;
}

GridField::GridField(const std::vector<double>& values) : values_(values) {
    values_.resize(static_cast<size_t>(gridPoints), missing);
    // Fill each unknown point from the known ones, nearest first, until none is left.
    for (int32_t pass = 0; pass < gridColumns + gridRows; ++pass) {
        std::vector<double> next = values_;
        bool left = false;
        for (int32_t row = 0; row < gridRows; ++row) {
            for (int32_t column = 0; column < gridColumns; ++column) {
                const size_t index = static_cast<size_t>(row * gridColumns + column);
                if (!std::isnan(values_[index]))
                    continue;
                double sum = 0;
                int32_t count = 0;
                for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
                    const int32_t c = column + dx;
                    const int32_t r = row + dy;
                    if (c < 0 || r < 0 || c >= gridColumns || r >= gridRows)
                        continue;
                    const double v = values_[static_cast<size_t>(r * gridColumns + c)];
                    if (!std::isnan(v)) {
                        sum += v;
                        ++count;
                    }
                }
                if (count > 0)
                    next[index] = sum / count;
                else
                    left = true;
            }
        }
        values_ = std::move(next);
        if (!left)
            break;
    }
    for (double& v : values_) {
        if (std::isnan(v))
            v = 0;  // only when no point at all was known, which parseGridAnswer refuses
    }
}

double GridField::point(int32_t column, int32_t row) const {
    column = std::clamp(column, 0, gridColumns - 1);
    row = std::clamp(row, 0, gridRows - 1);
    return values_[static_cast<size_t>(row * gridColumns + column)];
}

double GridField::at(double gx, double gy) const {
    gx = std::clamp(gx, 0.0, static_cast<double>(gridColumns - 1));
    gy = std::clamp(gy, 0.0, static_cast<double>(gridRows - 1));
    const auto column = static_cast<int32_t>(std::floor(gx));
    const auto row = static_cast<int32_t>(std::floor(gy));
    const double tx = gx - column;
    const double ty = gy - row;
    double rows[4];
    for (int32_t k = 0; k < 4; ++k) {
        const int32_t r = row - 1 + k;
        rows[k] = cubic(point(column - 1, r), point(column, r), point(column + 1, r),
                        point(column + 2, r), tx);
    }
    return cubic(rows[0], rows[1], rows[2], rows[3], ty);
}

}  // namespace nubivo::live
