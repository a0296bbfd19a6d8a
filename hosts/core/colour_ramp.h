#pragma once

#include <cstddef>

#include "hosts/core/canvas.h"

namespace nubivo::host {

// One colour of a ramp, at the value `at`.
struct Stop {
    double at;
    Colour colour;
};

// The colour of `value` on `stops` (sorted by `at`, at least one): mixed between the two
// stops around it, the end colours beyond the ends.
Colour ramp(const Stop* stops, size_t count, double value);

}  // namespace nubivo::host
