#include "hosts/core/map_outlines.h"

#include <cmath>
#include <mutex>

#include "hosts/core/drawing.h"
#include "hosts/core/natural_earth.h"

namespace nubivo::host {
namespace {

// Outlines reaching this far (degrees) beyond a box are kept: a line's width shows at the edge.
constexpr double margin = 1.0;
// A point closer than this (pixels) to the one kept before it is dropped: it would not show.
constexpr double minStep = 0.4;

struct LineStyle {
    Colour colour;
    double alpha;
    double width;
};

struct Look {
    LineStyle coast;
    LineStyle lake;
    LineStyle border;
};

// Dark over the forecast colours; over imagery a light yellow coast (dark enough against
// clouds) and near-white borders.
constexpr Look fieldLook{
    {{18, 22, 28}, 0.95, 1.3}, {{18, 22, 28}, 0.9, 1.0}, {{18, 22, 28}, 0.5, 0.9}};
constexpr Look imageryLook{
    {{250, 214, 60}, 0.95, 1.3}, {{250, 214, 60}, 0.9, 1.0}, {{255, 255, 255}, 0.75, 0.9}};

using Path = std::vector<Point>;

// A box's outlines projected on its map, and its land mask.
struct BoxOutlines {
    GeoBox box;
    std::vector<Path> coasts;  // open lines: rings are cut where their data close them
    std::vector<Path> lakes;
    std::vector<Path> borders;
    std::shared_ptr<const LandMask> land;
};

bool near(const GeoBox& line, const GeoBox& box) {
    return line.east >= box.west - margin && line.west <= box.east + margin &&
           line.north >= box.south - margin && line.south <= box.north + margin;
}

// Natural Earth closes the rings it cuts at the antimeridian and the south pole with lines
// along them: those are no coasts.
bool madeEdge(LonLat a, LonLat b) {
    return (std::abs(a.lon) >= 179.99f && a.lon == b.lon) || (a.lat <= -89.9f && b.lat <= -89.9f);
}

// Appends the projected pieces of `line` to `paths`; a closed ring comes back with its first
// point repeated at its end.
void project(const GeoBox& box, const GeoLine& line, bool closed, std::vector<Path>* paths) {
    Path path;
    auto flush = [&] {
        if (path.size() >= 2)
            paths->push_back(std::move(path));
        path.clear();
    };
    const size_t count = line.points.size() + (closed ? 1 : 0);
    for (size_t i = 0; i < count; ++i) {
        const LonLat p = line.points[i % line.points.size()];
        if (i > 0 && madeEdge(line.points[i - 1], p))
            flush();
        const Point pixel = mapPixel(box, p.lon, p.lat);
        if (!path.empty() && i + 1 < count &&
            std::hypot(pixel.x - path.back().x, pixel.y - path.back().y) < minStep) {
            continue;
        }
        path.push_back(pixel);
    }
    flush();
}

// Every ring of `lines` near `box`, whole and projected, as one path for a fill.
void addRings(cairo_t* cairo, const GeoBox& box, const std::vector<GeoLine>& lines) {
    for (const GeoLine& line : lines) {
        if (!near(line.bounds, box))
            continue;
        for (size_t i = 0; i < line.points.size(); ++i) {
            const Point p = mapPixel(box, line.points[i].lon, line.points[i].lat);
            if (i == 0)
                cairo_move_to(cairo, p.x, p.y);
            else
                cairo_line_to(cairo, p.x, p.y);
        }
        cairo_close_path(cairo);
    }
}

// Land is inside an odd number of rings: the land's edges, less the Caspian Sea (a hole in
// Natural Earth's land) and the large lakes, with their islands.
std::shared_ptr<const LandMask> makeLandMask(const GeoBox& box) {
    const NaturalEarth& outlines = naturalEarth();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, mapWidth, mapHeight);
    cairo_t* cairo = cairo_create(surface);
    cairo_set_antialias(cairo, CAIRO_ANTIALIAS_NONE);
    cairo_set_fill_rule(cairo, CAIRO_FILL_RULE_EVEN_ODD);
    addRings(cairo, box, outlines.coasts);
    addRings(cairo, box, outlines.lakes);
    cairo_fill(cairo);
    cairo_destroy(cairo);
    cairo_surface_flush(surface);
    auto mask = std::make_shared<LandMask>(static_cast<size_t>(mapWidth) * mapHeight);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    if (data != nullptr) {
        for (int32_t y = 0; y < mapHeight; ++y) {
            for (int32_t x = 0; x < mapWidth; ++x)
                (*mask)[static_cast<size_t>(y) * mapWidth + x] = data[y * stride + x] > 127;
        }
    }
    cairo_surface_destroy(surface);
    return mask;
}

BoxOutlines makeOutlines(const GeoBox& box) {
    const NaturalEarth& outlines = naturalEarth();
    BoxOutlines made{box, {}, {}, {}, makeLandMask(box)};
    for (const GeoLine& line : outlines.coasts) {
        if (near(line.bounds, box))
            project(box, line, true, &made.coasts);
    }
    for (const GeoLine& line : outlines.lakes) {
        if (near(line.bounds, box))
            project(box, line, true, &made.lakes);
    }
    for (const GeoLine& line : outlines.borders) {
        if (near(line.bounds, box))
            project(box, line, false, &made.borders);
    }
    return made;
}

bool sameBox(const GeoBox& a, const GeoBox& b) {
    return a.west == b.west && a.south == b.south && a.east == b.east && a.north == b.north;
}

// The kept outlines of `box`, made at its first use. Boxes are few (the regions'), so a
// list searched in turn serves; entries are never removed, so references stay valid.
const BoxOutlines& outlinesOf(const GeoBox& box) {
    static std::mutex lock;
    static std::vector<std::unique_ptr<const BoxOutlines>> kept;
    std::lock_guard<std::mutex> guard(lock);
    for (const auto& entry : kept) {
        if (sameBox(entry->box, box))
            return *entry;
    }
    kept.push_back(std::make_unique<const BoxOutlines>(makeOutlines(box)));
    return *kept.back();
}

void stroke(const Drawing& drawing, const std::vector<Path>& paths, const LineStyle& style) {
    cairo_t* cairo = drawing.cairo();
    for (const Path& path : paths) {
        cairo_move_to(cairo, path[0].x, path[0].y);
        for (size_t i = 1; i < path.size(); ++i)
            cairo_line_to(cairo, path[i].x, path[i].y);
    }
    drawing.setColour(style.colour, style.alpha);
    drawing.setLine(style.width);
    cairo_stroke(cairo);
}

}  // namespace

std::shared_ptr<const LandMask> landMask(const GeoBox& box) {
    return outlinesOf(box).land;
}

void drawOutlines(Canvas& map, const GeoBox& box, OutlineStyle style) {
    const BoxOutlines& outlines = outlinesOf(box);
    const Look& look = style == OutlineStyle::OnField ? fieldLook : imageryLook;
    const Drawing drawing(map);
    // Borders first: where one meets the coast, the coast lies over it.
    stroke(drawing, outlines.borders, look.border);
    stroke(drawing, outlines.lakes, look.lake);
    stroke(drawing, outlines.coasts, look.coast);
}

}  // namespace nubivo::host
