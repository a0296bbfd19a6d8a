#pragma once

#include <cstddef>

namespace nubivo::sample {

struct LonLat {
    float lon;
    float lat;
};

struct Outline {
    const LonLat* points;
    size_t count;
    bool water;  // an inland sea cut out of the land drawn before it
};

// Coarse coastlines of the continents and larger islands, land first, then inland seas.
extern const Outline worldOutlines[];
extern const size_t worldOutlineCount;

}  // namespace nubivo::sample
