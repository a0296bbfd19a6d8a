#include "hosts/live/satellite_views.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

#include "hosts/core/regions.h"

namespace nubivo::live {
namespace {

constexpr double degree = 3.14159265358979323846 / 180.0;

// The satellites' positions as the operators give them (GOES-East 75.2 W, GOES-West 137.2 W,
// Himawari 140.7 E, Meteosat 0, the Indian Ocean Meteosat 45.5 E). GIBS has geostationary
// imagery of the Americas, the Pacific and Asia; EUMETSAT that of the Meteosat satellites.
// GeoColor (GIBS) and GeoColour (EUMETSAT) are true colour by day and infrared by night;
// Himawari and the Indian Ocean satellite are published in infrared only, which shows clouds
// day and night.
constexpr SatelliteInfo satellites[satelliteCount] = {
    {"GOES-East", ImageryService::Gibs, "GOES-East_ABI_GeoColor", -75.2},
    {"GOES-West", ImageryService::Gibs, "GOES-West_ABI_GeoColor", -137.2},
    {"Himawari", ImageryService::Gibs, "Himawari_AHI_Band13_Clean_Infrared", 140.7},
    {"Meteosat", ImageryService::Eumetsat, "mtg_fd:rgb_geocolour", 0.0},
    {"Meteosat IODC", ImageryService::Eumetsat, "msg_iodc:ir108", 45.5},
};

// Which satellites each region gets, in the viewer's order of regions. The Americas take only
// GOES, even where a Meteosat sees too; Australia only Himawari; Europe, the Middle East and
// Africa only the Meteosat at 0 degrees.
const std::vector<Satellite> assignments[8] = {
    {Satellite::Meteosat},                             // Europe
    {Satellite::GoesEast, Satellite::GoesWest},        // North America
    {Satellite::GoesEast, Satellite::GoesWest},        // South America
    {Satellite::Himawari, Satellite::MeteosatIndian},  // Asia
    {Satellite::Himawari},                             // Australia
    {Satellite::GoesEast, Satellite::GoesWest},        // Caribbean
    {Satellite::Meteosat},                             // Middle East
    {Satellite::Meteosat},                             // Africa
};

RegionViews computeViews(int32_t region) {
    const host::GeoBox& box = host::regionBoxes[region];
    RegionViews views;
    views.satellites = assignments[region];
    const size_t count = views.satellites.size();
    views.primary.assign(count, false);
    views.arcs.assign(count,
                      std::vector<float>(static_cast<size_t>(host::mapWidth) * host::mapHeight));
    views.weights = views.arcs;
    for (int32_t y = 0; y < host::mapHeight; ++y) {
        const double lat = host::mapLatitude(box, y);
        for (int32_t x = 0; x < host::mapWidth; ++x) {
            const double lon = host::mapLongitude(box, x);
            const size_t at = static_cast<size_t>(y) * host::mapWidth + x;
            size_t nearest = 0;
            for (size_t i = 0; i < count; ++i) {
                views.arcs[i][at] =
                    static_cast<float>(arcFromSatellite(views.satellites[i], lon, lat));
                views.weights[i][at] = static_cast<float>(viewWeight(views.arcs[i][at]));
                if (views.arcs[i][at] < views.arcs[nearest][at])
                    nearest = i;
            }
            if (views.arcs[nearest][at] < viewDegrees)
                views.primary[nearest] = true;
            if (views.arcs[nearest][at] > fullViewDegrees)
                views.needsFill = true;
        }
    }
    return views;
}

}  // namespace

const SatelliteInfo& satelliteInfo(Satellite satellite) {
    return satellites[static_cast<int32_t>(satellite)];
}

double arcFromSatellite(Satellite satellite, double lon, double lat) {
    const double cosine =
        std::cos(lat * degree) * std::cos((lon - satelliteInfo(satellite).longitude) * degree);
    return std::acos(std::clamp(cosine, -1.0, 1.0)) / degree;
}

double viewWeight(double arcDegrees) {
    return std::clamp((viewDegrees - arcDegrees) / (viewDegrees - fullViewDegrees), 0.0, 1.0);
}

const RegionViews& regionViews(int32_t region) {
    static std::once_flag once[8];
    static std::unique_ptr<RegionViews> views[8];
    region = std::clamp(region, 0, 7);
    std::call_once(once[region], [region] {
        views[region] = std::make_unique<RegionViews>(computeViews(region));
    });
    return *views[region];
}

}  // namespace nubivo::live
