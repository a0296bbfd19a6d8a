#pragma once

#include <cstdint>
#include <vector>

namespace nubivo::live {

// The geostationary satellites whose pictures the satellite maps show.
enum class Satellite : int32_t { GoesEast, GoesWest, Himawari, Meteosat, MeteosatIndian };
inline constexpr int32_t satelliteCount = 5;

// Where a satellite's pictures come from.
enum class ImageryService { Gibs, Eumetsat };

struct SatelliteInfo {
    const char* name;  // for the log, "GOES-East"
    ImageryService service;
    const char* layer;  // the service's layer name
    double longitude;   // of the sub-satellite point, degrees east
};

const SatelliteInfo& satelliteInfo(Satellite satellite);

// A satellite's view: full within 72 degrees of arc of its sub-satellite point, fading out to
// nothing at 76 degrees. Beyond that the Earth is seen so obliquely (the limb is at 81) that
// yesterday's composite shows more.
inline constexpr double fullViewDegrees = 72;
inline constexpr double viewDegrees = 76;

// Degrees of arc between a satellite's sub-satellite point and (lon, lat).
double arcFromSatellite(Satellite satellite, double lon, double lat);
// How much of (lon, lat) the satellite sees, from its arc: 1 to 0.
double viewWeight(double arcDegrees);

// A region's satellites with each one's arc at every map pixel (row by row from the top),
// computed once. The nearer satellite shows where two see the same place; `primary` tells
// which of them is nearest somewhere in the box: the others are asked only to stand in for a
// primary that has nothing to show.
struct RegionViews {
    std::vector<Satellite> satellites;
    std::vector<bool> primary;
    std::vector<std::vector<float>> arcs;     // per satellite, host::mapWidth * host::mapHeight
    std::vector<std::vector<float>> weights;  // viewWeight of each arc
    // Some of the box is beyond full view of every satellite: yesterday's composite fills it.
    bool needsFill = false;
};

// The views of region 0 to 7 (the viewer's order). Thread-safe; the reference stays valid.
const RegionViews& regionViews(int32_t region);

}  // namespace nubivo::live
