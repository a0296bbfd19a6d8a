#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/core/regions.h"
#include "hosts/live/upstream_client.h"

namespace nubivo::live {

// "2026-12-07T14:20:00Z" for `seconds` since 1970 (UTC), as WMS TIME takes a sub-daily time.
std::string isoTime(int64_t seconds);
// Seconds since 1970 of "2026-12-07T14:20:00Z" (fractions of a second and a missing "Z"
// allowed), "2026-12-07T14:20Z" or "2026-12-07"; nullopt for anything else.
std::optional<int64_t> parseIsoTime(std::string_view text);
// Seconds of an ISO 8601 period such as "PT10M", "PT1H" or "P1D"; nullopt for other forms
// (months and years have no fixed length).
std::optional<int64_t> parseIsoPeriod(std::string_view text);

// The two WMS versions differ in the order of an EPSG:4326 box: 1.1.1 (SRS) takes
// west,south,east,north; 1.3.0 (CRS) takes south,west,north,east, latitude first.
enum class WmsVersion { V111, V130 };

// One GetMap of the map's size over `box`.
struct GetMap {
    WmsVersion version = WmsVersion::V111;
    std::string layer;
    host::GeoBox box{};
    // "image/png" with `transparent` for pictures to combine (nothing drawn where the
    // service has no data), or "image/jpeg".
    std::string format = "image/png";
    bool transparent = true;
    std::string time;  // "" sends no TIME
};

// The GetMap URL on the service at `base`.
std::string getMapUrl(const std::string& base, const GetMap& request);

// The GetCapabilities (WMS 1.3.0) that describes `layer` ("workspace:name") of a GeoServer
// at `base`: its layer service (".../geoserver/workspace/name/wms"), a small document, when
// `base` ends in "/wms"; the whole service's otherwise.
std::string layerCapabilitiesUrl(const std::string& base, const std::string& layer);

// The times a layer holds, from its capabilities: instants and start/end/period spans.
struct TimeDomain {
    struct Span {
        int64_t start = 0;
        int64_t end = 0;
        int64_t period = 0;  // 0: every time from start to end
    };
    std::vector<Span> spans;

    bool holds(int64_t time) const;
    int64_t newest() const;
};

// The time dimension of `layer` in a WMS capabilities document (1.3.0 <Dimension> or 1.1.1
// <Extent>), matched by its full name or by the name without "workspace:"; nullopt when the
// layer or its times are not there or not readable.
std::optional<TimeDomain> layerTimes(std::string_view capabilities, std::string_view layer);

// Whether an answer is a picture at all: a received 200 of an image type whose bytes are not
// an XML report (a WMS reports failures as XML, often with status 200).
bool isPictureAnswer(const UpstreamAnswer& answer);

// The time of a GeoServer "Warning: 99 Nearest value used: time=..." header: the picture is
// of that time, not of the time asked. nullopt without such a warning; 0 when it names a
// time that cannot be read.
std::optional<int64_t> nearestValueUsed(const UpstreamAnswer& answer);

// A picture with its transparency: r, g, b, a bytes a pixel, row by row from the top.
struct RgbaPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;

    const uint8_t* at(int32_t x, int32_t y) const {
        return &pixels[(static_cast<size_t>(y) * width + x) * 4];
    }
};

// Decodes a PNG or JPEG of exactly `width` x `height` pixels (a picture without transparency
// is opaque); nullopt for anything else.
std::optional<RgbaPicture> decodeRgba(std::string_view bytes, int32_t width, int32_t height);

}  // namespace nubivo::live
