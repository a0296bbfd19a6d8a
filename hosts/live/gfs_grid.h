#pragma once

#include <cstdint>
#include <vector>

#include "hosts/core/regions.h"

namespace nubivo::live {

// A whole field on a regular latitude-longitude grid that goes round the globe, as decoded:
// point (column, row) stands at firstLongitude + column * longitudeStep, firstLatitude +
// row * latitudeStep.
struct LatLonGrid {
    int32_t columns = 0;
    int32_t rows = 0;
    double firstLatitude = 0;
    double firstLongitude = 0;
    double latitudeStep = 0;     // negative when the rows go from north to south
    double longitudeStep = 0;    // positive; columns * longitudeStep is 360
    std::vector<double> values;  // row by row; NaN where the field has no value
};

// The points of a field around one region's box: row 0 at `north`, column 0 at `west` (in
// the box's own longitudes, so a box across 0 degrees or 180 is one piece), going south and
// east in the grid's steps: the points around the box, so that every place in it lies between
// four of them.
struct FieldCrop {
    double north = 0;
    double west = 0;
    double latitudeStep = 0;   // positive
    double longitudeStep = 0;  // positive
    int32_t columns = 0;
    int32_t rows = 0;
    std::vector<float> values;  // row by row from the north; NaN where unknown

    // The value at (longitude, latitude), bilinear between the four points around it and
    // held at the crop's edge; unknown points are left out of the mean (NaN when all four
    // are unknown).
    double at(double longitude, double latitude) const;
    bool sameShape(const FieldCrop& other) const;
};

// The crop of `grid` for `box`, each value plus `offset` (Kelvin to Celsius, say). The grid
// must cover the box's latitudes.
FieldCrop cropField(const LatLonGrid& grid, const host::GeoBox& box, double offset);

// True when `grid` goes round the globe and covers the box's latitudes with room for
// bilinear values.
bool coversBox(const LatLonGrid& grid, const host::GeoBox& box);

// Folds `next` into `into`, point by point: the larger or the smaller value, or the sum with
// `next` times `sign`. A point unknown in either is unknown. False (and `into` unchanged)
// when the two differ in shape.
enum class Fold { Maximum, Minimum, Sum };
bool foldCrop(FieldCrop& into, const FieldCrop& next, Fold fold, int32_t sign);

}  // namespace nubivo::live
