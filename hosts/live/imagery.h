#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hosts/core/canvas.h"
#include "hosts/core/regions.h"
#include "hosts/live/upstream_client.h"

namespace nubivo::live {

// True-colour layers to try in turn: the second serves when the first has no picture.
extern const char* const trueColourLayers[2];
// Static overlays drawn over every map: coastlines, and borders.
extern const char* const overlayLayers[2];

// "2026-12-06": the UTC day before `now` (seconds since 1970), the newest day whose
// imagery is complete.
std::string imageryDay(int64_t now);

// A WMS 1.1.1 GetMap request on the service at `base` for `layer` over `box` at the map's
// size: a JPEG of `day`, or, without a day, a transparent PNG (for the overlays).
std::string getMapUrl(const std::string& base, const char* layer, const host::GeoBox& box,
                      const std::string& day);

// The picture of an imagery answer: only a 200 with an image type whose bytes decode to a
// picture that is not almost all black (no data, or a night). A ServiceException, which the
// service sends with status 200, is none.
std::optional<host::Canvas> imageryPicture(const UpstreamAnswer& answer);

// True when nine pixels in ten or more are near black.
bool almostAllBlack(const host::Canvas& picture);

// An overlay: the coverage (0 to 255) of each pixel of a map-sized transparent picture, row
// by row from the top.
struct Overlay {
    std::vector<uint8_t> coverage;
};

// The coverage of a transparent PNG answer of the map's size; nullopt for anything else.
std::optional<Overlay> overlayFromAnswer(const UpstreamAnswer& answer);
std::optional<Overlay> overlayFromPng(const std::string& bytes);

// Blends `colour` into `canvas` (of the map's size) by the overlay's coverage.
void drawOverlay(host::Canvas& canvas, const Overlay& overlay, host::Colour colour);

}  // namespace nubivo::live
