#include "hosts/core/colour_ramp.h"

namespace nubivo::host {

Colour ramp(const Stop* stops, size_t count, double value) {
    if (value <= stops[0].at)
        return stops[0].colour;
    for (size_t i = 1; i < count; ++i) {
        if (value <= stops[i].at) {
            const double t = (value - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
            return blend(stops[i - 1].colour, stops[i].colour, t);
        }
    }
    return stops[count - 1].colour;
}

}  // namespace nubivo::host
