#include "hosts/live/satellite_mosaic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "hosts/core/calendar.h"
#include "hosts/core/regions.h"
#include "hosts/live/map_painting.h"

namespace nubivo::live {
namespace {

// Across this much difference of arc the nearer satellite takes over from the other.
constexpr double seamDegrees = 6;
// Below this coverage a pixel counts as uncovered; what is left that thin is an edge's
// smoothing, not a gap.
constexpr uint8_t coveredFrom = 250;
constexpr double gapShare = 0.002;
constexpr host::Colour noData{32, 32, 32};

std::string clockUtc(int64_t seconds) {
    const int64_t minutes = host::floorDiv(seconds, 60) - host::floorDiv(seconds, 86400) * 1440;
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(minutes / 60),
                  static_cast<int>(minutes % 60));
    return text;
}

bool blank(const uint8_t* rgba) {
    return rgba[3] < 32 || std::max({rgba[0], rgba[1], rgba[2]}) < 20;
}

}  // namespace

bool showsImagery(const RegionViews& views, size_t index, const RgbaPicture& picture) {
    if (index >= views.satellites.size() || picture.width != host::mapWidth ||
        picture.height != host::mapHeight) {
        return false;
    }
    const std::vector<float>& arcs = views.arcs[index];
    int64_t seen = 0;
    int64_t empty = 0;
    for (int32_t y = 0; y < host::mapHeight; ++y) {
        for (int32_t x = 0; x < host::mapWidth; ++x) {
            if (arcs[static_cast<size_t>(y) * host::mapWidth + x] > fullViewDegrees)
                continue;
            ++seen;
            empty += blank(picture.at(x, y));
        }
    }
    return seen > 0 && empty * 10 < seen * 9;
}

Mosaic combine(const RegionViews& views, const std::vector<const SatellitePicture*>& pictures) {
    struct Source {
        const SatellitePicture* picture;
        const float* arcs;
        const float* weights;
        double shown = 0;
    };
    std::vector<Source> sources;
    for (const SatellitePicture* picture : pictures) {
        const auto found =
            std::find(views.satellites.begin(), views.satellites.end(), picture->satellite);
        const auto index = static_cast<size_t>(found - views.satellites.begin());
        if (found != views.satellites.end() && picture->picture.width == host::mapWidth &&
            picture->picture.height == host::mapHeight) {
            sources.push_back({picture, views.arcs[index].data(), views.weights[index].data()});
        }
    }
    const size_t pixels = static_cast<size_t>(host::mapWidth) * host::mapHeight;
    Mosaic mosaic;
    mosaic.colours.assign(pixels * 3, 0);
    mosaic.cover.assign(pixels, 0);
    std::vector<float> amount(sources.size());
    std::vector<float> weight(sources.size());
    for (size_t at = 0; at < pixels; ++at) {
        float nearest = 1e9f;
        float cover = 0;
        for (size_t i = 0; i < sources.size(); ++i) {
            const uint8_t alpha = sources[i].picture->picture.pixels[at * 4 + 3];
            amount[i] = sources[i].weights[at] * static_cast<float>(alpha) * (1.0f / 255.0f);
            if (amount[i] > 0)
                nearest = std::min(nearest, sources[i].arcs[at]);
            cover = std::max(cover, amount[i]);
        }
        if (cover <= 0)
            continue;
        float total = 0;
        for (size_t i = 0; i < sources.size(); ++i) {
            const float closeness =
                1.0f - (sources[i].arcs[at] - nearest) / static_cast<float>(seamDegrees);
            weight[i] = amount[i] * std::clamp(closeness, 0.0f, 1.0f);
            total += weight[i];
        }
        float r = 0, g = 0, b = 0;
        for (size_t i = 0; i < sources.size(); ++i) {
            if (weight[i] <= 0)
                continue;
            const uint8_t* rgba = &sources[i].picture->picture.pixels[at * 4];
            const float part = weight[i] / total;
            r += rgba[0] * part;
            g += rgba[1] * part;
            b += rgba[2] * part;
            sources[i].shown += part * cover;
        }
        mosaic.colours[at * 3] = static_cast<uint8_t>(std::min(r + 0.5f, 255.0f));
        mosaic.colours[at * 3 + 1] = static_cast<uint8_t>(std::min(g + 0.5f, 255.0f));
        mosaic.colours[at * 3 + 2] = static_cast<uint8_t>(std::min(b + 0.5f, 255.0f));
        mosaic.cover[at] = static_cast<uint8_t>(cover * 255.0f + 0.5f);
    }
    for (const Source& source : sources) {
        mosaic.share[static_cast<int32_t>(source.picture->satellite)] +=
            source.shown / static_cast<double>(pixels);
    }
    return mosaic;
}

bool needsFill(const Mosaic& mosaic) {
    const auto gaps = std::count_if(mosaic.cover.begin(), mosaic.cover.end(),
                                    [](uint8_t cover) { return cover < coveredFrom; });
    return static_cast<double>(gaps) > gapShare * static_cast<double>(mosaic.cover.size());
}

void fillUnder(Mosaic& mosaic, const host::Canvas* fill) {
    const bool usable =
        fill != nullptr && fill->width() == host::mapWidth && fill->height() == host::mapHeight;
    mosaic.canvas = host::Canvas(host::mapWidth, host::mapHeight, noData);
    int64_t filled = 0;
    for (int32_t y = 0; y < host::mapHeight; ++y) {
        for (int32_t x = 0; x < host::mapWidth; ++x) {
            const size_t at = static_cast<size_t>(y) * host::mapWidth + x;
            const int32_t cover = mosaic.cover[at];
            const host::Colour under = usable && cover < 255 ? fill->pixel(x, y) : noData;
            const auto mix = [cover](int32_t low, int32_t high) {
                return static_cast<uint8_t>((low * (255 - cover) + high * cover + 127) / 255);
            };
            mosaic.canvas.setPixel(x, y,
                                   host::Colour{mix(under.r, mosaic.colours[at * 3]),
                                                mix(under.g, mosaic.colours[at * 3 + 1]),
                                                mix(under.b, mosaic.colours[at * 3 + 2])});
            filled += 255 - cover;
        }
    }
    const double pixels = static_cast<double>(mosaic.cover.size()) * 255.0;
    mosaic.fillShare = usable ? static_cast<double>(filled) / pixels : 0;
}

Caption captionOf(const Mosaic& mosaic, const std::vector<SatellitePicture>& pictures,
                  const std::string& compositeDay) {
    Caption caption;
    int64_t first = 0;
    int64_t last = 0;
    double gibs = mosaic.fillShare > gapShare ? mosaic.fillShare : 0;
    double eumetsat = 0;
    for (const SatellitePicture& picture : pictures) {
        const double share = mosaic.share[static_cast<int32_t>(picture.satellite)];
        if (share <= gapShare)
            continue;
        first = first == 0 ? picture.observed : std::min(first, picture.observed);
        last = std::max(last, picture.observed);
        (satelliteInfo(picture.satellite).service == ImageryService::Gibs ? gibs : eumetsat) +=
            share;
    }
    if (last == 0)
        caption.time = compositeDay.empty() ? "" : shortDay(compositeDay);
    else if (clockUtc(first) == clockUtc(last))
        caption.time = clockUtc(last) + " UTC";
    else
        caption.time = clockUtc(first) + "\xE2\x80\x93" + clockUtc(last) + " UTC";
    const char* larger = gibs >= eumetsat ? "NASA GIBS" : "EUMETSAT";
    const char* smaller = gibs >= eumetsat ? "EUMETSAT" : "NASA GIBS";
    if (std::min(gibs, eumetsat) > 0)
        caption.credit = std::string(larger) + ", " + smaller;
    else if (std::max(gibs, eumetsat) > 0)
        caption.credit = larger;
    return caption;
}

std::vector<uint8_t> finishMosaic(Mosaic& mosaic, const host::GeoBox& box,
                                  const std::vector<SatellitePicture>& pictures,
                                  const host::Canvas* fill, const std::string& compositeDay) {
    fillUnder(mosaic, fill);
    const Caption caption = captionOf(mosaic, pictures, compositeDay);
    finishSatelliteMap(mosaic.canvas, box, caption.time, caption.credit);
    return mosaic.canvas.encodeJpeg();
}

}  // namespace nubivo::live
