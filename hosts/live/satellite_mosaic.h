#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hosts/core/canvas.h"
#include "hosts/live/map_painting.h"
#include "hosts/live/satellite_views.h"
#include "hosts/live/wms.h"

namespace nubivo::live {

// One satellite's picture of a region's box, as its service drew it (transparent where it
// has no data), and when it was taken.
struct SatellitePicture {
    Satellite satellite = Satellite::GoesEast;
    int64_t observed = 0;  // seconds since 1970
    RgbaPicture picture;
};

// Whether `picture` of satellite `views.satellites[index]` is imagery: not almost all
// transparent or black where the satellite sees the box fully. A time the service does not
// hold yet is drawn so.
bool showsImagery(const RegionViews& views, size_t index, const RgbaPicture& picture);

// The region's pictures laid together. Where two satellites see a place the nearer one shows,
// blended with the other across a few degrees at the seam; towards the edge of its view a
// satellite fades out.
struct Mosaic {
    // The satellites' colours (r, g, b a pixel, row by row) where they show; after
    // fillUnder, the whole map in `canvas`.
    std::vector<uint8_t> colours;
    std::vector<uint8_t> cover;  // per pixel, how much of it the satellites show: 0 to 255
    host::Canvas canvas{1, 1, host::Colour{}};
    double share[satelliteCount] = {};  // of the map each satellite shows, 0 to 1
    double fillShare = 0;               // of the map the fill shows, 0 to 1
};

// The pictures (each of the map's size, of a satellite of `views`) over nothing yet.
Mosaic combine(const RegionViews& views, const std::vector<const SatellitePicture*>& pictures);

// Whether the satellites leave part of the map uncovered.
bool needsFill(const Mosaic& mosaic);

// Paints the map into `canvas`: `fill` (of the map's size) under what the satellites leave
// uncovered, or a neutral dark grey without one.
void fillUnder(Mosaic& mosaic, const host::Canvas* fill);

// What a map says of what it shows: when the imagery was taken ("14:20 UTC", or
// "14:00–14:30 UTC" when its satellites' times differ; the composite's day, "Mon 7 Dec",
// when it shows no satellite), and whose it is: "NASA GIBS" for GOES, Himawari and the
// composite, "EUMETSAT" for Meteosat, each only when it shows on the map.
struct Caption {
    std::string time;
    std::string credit;
};
Caption captionOf(const Mosaic& mosaic, const std::vector<SatellitePicture>& pictures,
                  const std::string& compositeDay);

// The finished map of `box` as a JPEG: `fill` (yesterday's composite of `compositeDay`, or
// nullptr) under what the satellites leave uncovered, the outlines, the caption.
std::vector<uint8_t> finishMosaic(Mosaic& mosaic, const host::GeoBox& box,
                                  const std::vector<SatellitePicture>& pictures,
                                  const host::Canvas* fill, const std::string& compositeDay);

}  // namespace nubivo::live
