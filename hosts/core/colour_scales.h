#pragma once

#include "hosts/core/canvas.h"

namespace nubivo::host {

// The colour scales of the forecast maps, the same for both hosts and every region: a colour
// means the same value everywhere.

// What lies under a map pixel. Water (the sea and the large lakes) shows every colour in a
// shade of its own, so that coasts read at a glance under any value.
enum class Surface { Land, Water };

// Temperature, diverging at 0 degrees C: Kenneth Moreland's smooth cool-warm map ("Diverging
// Color Maps for Scientific Visualization", 2009; perceptually even in CIELAB), its cool half
// from -40 to 0 degrees C and its warm half from 0 to +45; beyond them the end colours. NaN
// (no data) gives the surface's base.
inline constexpr double temperatureLow = -40;
inline constexpr double temperatureHigh = 45;
Colour temperatureColour(double celsius, Surface surface);

// Precipitation in mm: dry below 0.1 mm (the surface's base shows), then ColorBrewer's
// sequential YlGnBu (Brewer 2003; its third to eighth classes) on a logarithmic scale up to
// 50 mm and beyond. NaN gives the base.
inline constexpr double precipitationLow = 0.1;
inline constexpr double precipitationHigh = 50;
Colour precipitationColour(double mm, Surface surface);
// Where `mm` stands on the precipitation scale: 0 at precipitationLow, 1 at
// precipitationHigh (logarithmic), held within [0, 1].
double precipitationPosition(double mm);

// The base map: dry land, and its water shade.
inline constexpr Colour landBase{240, 236, 226};
Colour baseColour(Surface surface);

// The shade of a land colour over water: a mid grey mixed in and darkened a little, which
// keeps it far (at least 15 in CIELAB) from its land colour and from every other colour of
// the scales.
Colour onWater(Colour land);

}  // namespace nubivo::host
