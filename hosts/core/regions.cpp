#include "hosts/core/regions.h"

namespace nubivo::host {

const GeoBox regionBoxes[8] = {
    {-12, 33, 44, 75},     // Europe
    {-135, 15, -55, 75},   // North America
    {-104, -57, -12, 12},  // South America
    {55, -10, 155, 65},    // Asia
    {110, -50, 180, 2.5},  // Australia
    {-90, 8, -58, 32},     // Caribbean
    {25, 12, 65, 42},      // Middle East
    {-32, -37, 68, 38},    // Africa
};

Point mapPixel(const GeoBox& box, double lon, double lat) {
    return Point{(lon - box.west) / (box.east - box.west) * mapWidth,
                 (box.north - lat) / (box.north - box.south) * mapHeight};
}

double mapLongitude(const GeoBox& box, double x) {
    return box.west + (x + 0.5) / mapWidth * (box.east - box.west);
}

double mapLatitude(const GeoBox& box, double y) {
    return box.north - (y + 0.5) / mapHeight * (box.north - box.south);
}

}  // namespace nubivo::host
