#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "hosts/core/canvas.h"
#include "hosts/core/regions.h"
#include "hosts/live/upstream_client.h"

namespace nubivo::live {

// True-colour layers to try in turn: the second serves when the first has no picture.
extern const char* const trueColourLayers[2];

// "2026-12-06": the UTC day before `now` (seconds since 1970), the newest day whose
// imagery is complete.
std::string imageryDay(int64_t now);

// A WMS 1.1.1 GetMap request on the service at `base` for `layer` over `box` at the map's
// size: a JPEG of `day`, or, without a day, a transparent PNG.
std::string getMapUrl(const std::string& base, const char* layer, const host::GeoBox& box,
                      const std::string& day);

// The picture of an imagery answer: only a 200 with an image type whose bytes decode to a
// picture that is not almost all black (no data, or a night). A ServiceException, which the
// service sends with status 200, is none.
std::optional<host::Canvas> imageryPicture(const UpstreamAnswer& answer);

// True when nine pixels in ten or more are near black.
bool almostAllBlack(const host::Canvas& picture);

}  // namespace nubivo::live
