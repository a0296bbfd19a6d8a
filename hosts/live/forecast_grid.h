#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/core/regions.h"

namespace nubivo::live {

// The points of a region's forecast maps: the centres of an even grid of cells over its box.
inline constexpr int32_t gridColumns = 8;
inline constexpr int32_t gridRows = 6;
inline constexpr int32_t gridPoints = gridColumns * gridRows;
// The daily variables each grid request asks for.
inline constexpr int32_t gridVariableCount = 3;

// The position of grid point (column, row) of `box`; row 0 is the northern one.
double gridLongitude(const host::GeoBox& box, int32_t column);
double gridLatitude(const host::GeoBox& box, int32_t row);

// Today's forecast at every grid point, row by row from the north; a value the service
// left null is NaN.
struct ForecastGrid {
    std::string date;                   // the local day of the first point, "2026-12-07"
    std::vector<double> high;           // degrees C
    std::vector<double> low;            // degrees C
    std::vector<double> precipitation;  // mm
};

// One request for all grid points of `box` on the forecast service at `base`.
std::string gridForecastUrl(const std::string& base, const host::GeoBox& box);

// Reads the answer of gridForecastUrl: a list of one object per point in the order asked.
// False for any other shape, another unit, or when more than a quarter of a variable's
// points are null (the field would be more guess than data).
bool parseGridAnswer(std::string_view body, ForecastGrid* grid);

// The value at fractional grid position (gx, gy) (0 at the first point's centre), smoothly
// interpolated (Catmull-Rom) between the points, their values held beyond the grid's edge;
// NaN points are first filled from their neighbours.
class GridField {
  public:
    explicit GridField(const std::vector<double>& values);
    double at(double gx, double gy) const;

  private:
    double point(int32_t column, int32_t row) const;
    std::vector<double> values_;
};

}  // namespace nubivo::live
