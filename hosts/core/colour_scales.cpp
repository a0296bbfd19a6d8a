#include "hosts/core/colour_scales.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace nubivo::host {
namespace {

// Moreland's 33-entry table of the smooth cool-warm map, in 8-bit sRGB.
constexpr Colour coolWarm[] = {
    {59, 76, 192},   {68, 90, 204},   {77, 104, 215},  {87, 117, 225},  {98, 130, 234},
    {108, 142, 241}, {119, 154, 247}, {130, 165, 251}, {141, 176, 254}, {152, 185, 255},
    {163, 194, 255}, {174, 201, 253}, {184, 208, 249}, {194, 213, 244}, {204, 217, 238},
    {213, 219, 230}, {221, 221, 221}, {229, 216, 209}, {236, 211, 197}, {241, 204, 185},
    {245, 196, 173}, {247, 187, 160}, {247, 177, 148}, {247, 166, 135}, {244, 154, 123},
    {241, 141, 111}, {236, 127, 99},  {229, 112, 88},  {222, 96, 77},   {213, 80, 66},
    {203, 62, 56},   {192, 40, 47},   {180, 4, 38},
};

// ColorBrewer YlGnBu, nine classes, the third to the eighth: the first two are too pale to
// tell from the dry base, and the coastlines would vanish in the ninth.
constexpr Colour yellowGreenBlue[] = {
    {199, 233, 180}, {127, 205, 187}, {65, 182, 196}, {29, 145, 192}, {34, 94, 168}, {37, 52, 148},
};

constexpr Colour waterGrey{150, 150, 150};
constexpr double waterMix = 0.45;
constexpr double waterDarkening = 0.88;

// The colour at `position` (0 to 1, held) of evenly spaced `stops`, mixed between two.
template <size_t N>
Colour along(const Colour (&stops)[N], double position) {
    const double at = std::clamp(position, 0.0, 1.0) * (N - 1);
    const auto index = std::min(static_cast<size_t>(at), N - 2);
    return blend(stops[index], stops[index + 1], at - static_cast<double>(index));
}

Colour onSurface(Colour land, Surface surface) {
    return surface == Surface::Land ? land : onWater(land);
}

}  // namespace

Colour onWater(Colour land) {
    const Colour mixed = blend(land, waterGrey, waterMix);
    auto darker = [](uint8_t channel) {
        return static_cast<uint8_t>(std::lround(channel * waterDarkening));
    };
    return Colour{darker(mixed.r), darker(mixed.g), darker(mixed.b)};
}

Colour baseColour(Surface surface) {
    return onSurface(landBase, surface);
}

Colour temperatureColour(double celsius, Surface surface) {
    if (std::isnan(celsius))
        return baseColour(surface);
    // Each half of the table spans its own range, so that white-grey stays at 0 degrees C.
    const double position = celsius < 0 ? 0.5 * (1.0 - std::min(celsius / temperatureLow, 1.0))
                                        : 0.5 + 0.5 * std::min(celsius / temperatureHigh, 1.0);
    return onSurface(along(coolWarm, position), surface);
}

double precipitationPosition(double mm) {
    if (!(mm > precipitationLow))
        return 0;
    return std::min(
        std::log(mm / precipitationLow) / std::log(precipitationHigh / precipitationLow), 1.0);
}

Colour precipitationColour(double mm, Surface surface) {
    if (std::isnan(mm) || mm < precipitationLow)
        return baseColour(surface);
    return onSurface(along(yellowGreenBlue, precipitationPosition(mm)), surface);
}

}  // namespace nubivo::host
