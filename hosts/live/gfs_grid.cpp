#include "hosts/live/gfs_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace nubivo::live {
namespace {

// Slack for degrees that land on a grid point but come out a hair beside it.
constexpr double slack = 1e-6;

}  // namespace

double FieldCrop::at(double longitude, double latitude) const {
    if (columns <= 0 || rows <= 0)
        return std::numeric_limits<double>::quiet_NaN();
    const double gx = std::clamp((longitude - west) / longitudeStep, 0.0, columns - 1.0);
    const double gy = std::clamp((north - latitude) / latitudeStep, 0.0, rows - 1.0);
    const auto c0 = static_cast<int32_t>(gx);
    const auto r0 = static_cast<int32_t>(gy);
    const int32_t c1 = std::min(c0 + 1, columns - 1);
    const int32_t r1 = std::min(r0 + 1, rows - 1);
    const double tx = gx - c0;
    const double ty = gy - r0;
    const struct {
        int32_t column, row;
        double weight;
    } corners[4] = {{c0, r0, (1 - tx) * (1 - ty)},
                    {c1, r0, tx * (1 - ty)},
                    {c0, r1, (1 - tx) * ty},
                    {c1, r1, tx * ty}};
    double sum = 0;
    double weights = 0;
    for (const auto& corner : corners) {
        const float v = values[static_cast<size_t>(corner.row) * static_cast<size_t>(columns) +
                               static_cast<size_t>(corner.column)];
        if (!std::isnan(v)) {
            sum += corner.weight * v;
            weights += corner.weight;
        }
    }
    if (weights <= 0)
        return std::numeric_limits<double>::quiet_NaN();
    return sum / weights;
}

bool FieldCrop::sameShape(const FieldCrop& other) const {
    return columns == other.columns && rows == other.rows && north == other.north &&
           west == other.west && latitudeStep == other.latitudeStep &&
           longitudeStep == other.longitudeStep && values.size() == other.values.size();
}

bool coversBox(const LatLonGrid& grid, const host::GeoBox& box) {
    if (grid.columns < 2 || grid.rows < 2 || !(grid.longitudeStep > 0) ||
        !(std::abs(grid.latitudeStep) > 0) ||
        std::abs(grid.columns * grid.longitudeStep - 360.0) > 1e-3 ||
        grid.values.size() != static_cast<size_t>(grid.columns) * grid.rows) {
        return false;
    }
    const double lastLatitude = grid.firstLatitude + (grid.rows - 1) * grid.latitudeStep;
    const double south = std::min(grid.firstLatitude, lastLatitude);
    const double north = std::max(grid.firstLatitude, lastLatitude);
    return south <= box.south + slack && north >= box.north - slack;
}

FieldCrop cropField(const LatLonGrid& grid, const host::GeoBox& box, double offset) {
    FieldCrop crop;
    if (!coversBox(grid, box))
        return crop;
    const auto firstColumn = static_cast<int64_t>(
        std::floor((box.west - grid.firstLongitude) / grid.longitudeStep + slack));
    const auto lastColumn = static_cast<int64_t>(
        std::ceil((box.east - grid.firstLongitude) / grid.longitudeStep - slack));
    const double northRow = (box.north - grid.firstLatitude) / grid.latitudeStep;
    const double southRow = (box.south - grid.firstLatitude) / grid.latitudeStep;
    const auto low = std::max<int64_t>(
        0, static_cast<int64_t>(std::floor(std::min(northRow, southRow) + slack)));
    const auto high = std::min<int64_t>(
        grid.rows - 1, static_cast<int64_t>(std::ceil(std::max(northRow, southRow) - slack)));
    const bool southward = grid.latitudeStep < 0;
    crop.columns = static_cast<int32_t>(lastColumn - firstColumn + 1);
    crop.rows = static_cast<int32_t>(high - low + 1);
    crop.latitudeStep = std::abs(grid.latitudeStep);
    crop.longitudeStep = grid.longitudeStep;
    crop.north =
        grid.firstLatitude + static_cast<double>(southward ? low : high) * grid.latitudeStep;
    crop.west = grid.firstLongitude + static_cast<double>(firstColumn) * grid.longitudeStep;
    crop.values.resize(static_cast<size_t>(crop.columns) * static_cast<size_t>(crop.rows));
    size_t at = 0;
    for (int32_t r = 0; r < crop.rows; ++r) {
        const int64_t row = southward ? low + r : high - r;
        const double* source = grid.values.data() + row * grid.columns;
        for (int32_t c = 0; c < crop.columns; ++c) {
            // Columns wrap round the globe: a box across the grid's first meridian is whole.
            const int64_t column = ((firstColumn + c) % grid.columns + grid.columns) % grid.columns;
            crop.values[at++] = static_cast<float>(source[column] + offset);
        }
    }
    return crop;
}

bool foldCrop(FieldCrop& into, const FieldCrop& next, Fold fold, int32_t sign) {
    if (!into.sameShape(next))
        return false;
    for (size_t i = 0; i < into.values.size(); ++i) {
        const float a = into.values[i];
        const float b = next.values[i];
        if (std::isnan(a) || std::isnan(b)) {
            into.values[i] = std::numeric_limits<float>::quiet_NaN();
            continue;
        }
        switch (fold) {
            case Fold::Maximum:
                into.values[i] = std::max(a, b);
                break;
            case Fold::Minimum:
                into.values[i] = std::min(a, b);
                break;
            case Fold::Sum:
                into.values[i] = a + static_cast<float>(sign) * b;
                break;
        }
    }
    return true;
}

}  // namespace nubivo::live
