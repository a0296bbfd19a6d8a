#include "hosts/live/satellite_mosaic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "hosts/core/calendar.h"
#include "hosts/live/map_painting.h"
#include "hosts/live/regions.h"

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
    if (index >= views.satellites.size() || picture.width != mapWidth ||
        picture.height != mapHeight) {
        return false;
    }
    const std::vector<float>& arcs = views.arcs[index];
    int64_t seen = 0;
    int64_t empty = 0;
    for (int32_t y = 0; y < mapHeight; ++y) {
        for (int32_t x = 0; x < mapWidth; ++x) {
            if (arcs[static_cast<size_t>(y) * mapWidth + x] > fullViewDegrees)
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
        const std::vector<float>* arcs;
        double shown = 0;
    };
    std::vector<Source> sources;
    for (const SatellitePicture* picture : pictures) {
        const auto found =
            std::find(views.satellites.begin(), views.satellites.end(), picture->satellite);
        if (found != views.satellites.end() && picture->picture.width == mapWidth &&
            picture->picture.height == mapHeight) {
            sources.push_back({picture, &views.arcs[found - views.satellites.begin()]});
        }
    }
    Mosaic mosaic;
    mosaic.canvas = host::Canvas(mapWidth, mapHeight, noData);
    mosaic.cover.assign(static_cast<size_t>(mapWidth) * mapHeight, 0);
    std::vector<double> amount(sources.size());
    std::vector<double> weight(sources.size());
    for (int32_t y = 0; y < mapHeight; ++y) {
        for (int32_t x = 0; x < mapWidth; ++x) {
            const size_t at = static_cast<size_t>(y) * mapWidth + x;
            double nearest = 1e9;
            double cover = 0;
            for (size_t i = 0; i < sources.size(); ++i) {
                const double arc = (*sources[i].arcs)[at];
                amount[i] = viewWeight(arc) * sources[i].picture->picture.at(x, y)[3] / 255.0;
                if (amount[i] > 0)
                    nearest = std::min(nearest, arc);
                cover = std::max(cover, amount[i]);
            }
            if (cover <= 0)
                continue;
            double total = 0;
            for (size_t i = 0; i < sources.size(); ++i) {
                const double closeness = 1 - ((*sources[i].arcs)[at] - nearest) / seamDegrees;
                weight[i] = amount[i] * std::clamp(closeness, 0.0, 1.0);
                total += weight[i];
            }
            double r = 0, g = 0, b = 0;
            for (size_t i = 0; i < sources.size(); ++i) {
                if (weight[i] <= 0)
                    continue;
                const uint8_t* rgba = sources[i].picture->picture.at(x, y);
                const double part = weight[i] / total;
                r += rgba[0] * part;
                g += rgba[1] * part;
                b += rgba[2] * part;
                sources[i].shown += part * cover;
            }
            mosaic.canvas.blendPixel(x, y,
                                     host::Colour{static_cast<uint8_t>(std::lround(r)),
                                                  static_cast<uint8_t>(std::lround(g)),
                                                  static_cast<uint8_t>(std::lround(b))});
            mosaic.cover[at] = static_cast<uint8_t>(std::lround(cover * 255));
        }
    }
    const double pixels = static_cast<double>(mosaic.cover.size());
    for (const Source& source : sources)
        mosaic.share[static_cast<int32_t>(source.picture->satellite)] += source.shown / pixels;
    return mosaic;
}

bool needsFill(const Mosaic& mosaic) {
    const auto gaps = std::count_if(mosaic.cover.begin(), mosaic.cover.end(),
                                    [](uint8_t cover) { return cover < coveredFrom; });
    return static_cast<double>(gaps) > gapShare * static_cast<double>(mosaic.cover.size());
}

void fillUnder(Mosaic& mosaic, const host::Canvas* fill) {
    const bool usable = fill != nullptr && fill->width() == mapWidth && fill->height() == mapHeight;
    double filled = 0;
    for (int32_t y = 0; y < mapHeight; ++y) {
        for (int32_t x = 0; x < mapWidth; ++x) {
            const uint8_t cover = mosaic.cover[static_cast<size_t>(y) * mapWidth + x];
            if (cover == 255)
                continue;
            const host::Colour under = usable ? fill->pixel(x, y) : noData;
            const host::Colour over = mosaic.canvas.pixel(x, y);
            mosaic.canvas.blendPixel(x, y, under, 1.0);
            mosaic.canvas.blendPixel(x, y, over, cover / 255.0);
            filled += (255 - cover) / 255.0;
        }
    }
    mosaic.fillShare = usable ? filled / static_cast<double>(mosaic.cover.size()) : 0;
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

}  // namespace nubivo::live
