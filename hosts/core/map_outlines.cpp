#include "hosts/core/map_outlines.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

#include "hosts/core/drawing.h"
#include "hosts/core/natural_earth.h"

namespace nubivo::host {
namespace {

// Outlines reaching this far (degrees) beyond a box are kept: a line's width shows at the edge.
constexpr double margin = 1.0;
// A point closer than this (pixels) to the one kept before it is dropped: it would not show.
constexpr double minStep = 0.5;
// More boxes than this are drawn without being kept (the hosts use eight).
constexpr size_t keptBoxes = 32;

// The kinds of line, in the order they are drawn: where a border meets the coast, the coast
// lies over it.
enum Kind { Border = 0, Lake = 1, Coast = 2, kindCount = 3 };
constexpr double lineWidth[kindCount] = {0.9, 1.0, 1.3};

struct LineStyle {
    Colour colour;
    double alpha;
};

// Dark over the forecast colours; over imagery a light yellow coast (dark enough against
// clouds) and near-white borders.
constexpr LineStyle fieldLook[kindCount] = {
    {{18, 22, 28}, 0.5}, {{18, 22, 28}, 0.9}, {{18, 22, 28}, 0.95}};
constexpr LineStyle imageryLook[kindCount] = {
    {{255, 255, 255}, 0.75}, {{250, 214, 60}, 0.9}, {{250, 214, 60}, 0.95}};

using Path = std::vector<Point>;

// A box's land mask, and its lines of each kind as drawn at full strength: a coverage byte
// a map pixel (cairo's A8 rows; 440 is a multiple of four, so a row is mapWidth bytes).
// Stroking them once and painting them through as masks makes every later map of the box
// cheap, in either look.
struct BoxOutlines {
    GeoBox box;
    std::shared_ptr<const LandMask> land;
    std::vector<uint8_t> lines[kindCount];
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

// The coverage of `paths` stroked `width` pixels wide, round at joins and ends.
std::vector<uint8_t> strokeCoverage(const std::vector<Path>& paths, double width) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, mapWidth, mapHeight);
    cairo_t* cairo = cairo_create(surface);
    for (const Path& path : paths) {
        cairo_move_to(cairo, path[0].x, path[0].y);
        for (size_t i = 1; i < path.size(); ++i)
            cairo_line_to(cairo, path[i].x, path[i].y);
    }
    cairo_set_line_width(cairo, width);
    cairo_set_line_cap(cairo, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cairo, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cairo);
    cairo_destroy(cairo);
    cairo_surface_flush(surface);
    std::vector<uint8_t> coverage(static_cast<size_t>(mapWidth) * mapHeight);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    if (data != nullptr) {
        for (int32_t y = 0; y < mapHeight; ++y)
            std::copy_n(data + y * stride, mapWidth, coverage.data() + y * mapWidth);
    }
    cairo_surface_destroy(surface);
    return coverage;
}

std::shared_ptr<const BoxOutlines> makeOutlines(const GeoBox& box) {
    const NaturalEarth& outlines = naturalEarth();
    auto made = std::make_shared<BoxOutlines>();
    made->box = box;
    made->land = makeLandMask(box);
    const std::pair<Kind, const std::vector<GeoLine>*> sources[] = {
        {Border, &outlines.borders}, {Lake, &outlines.lakes}, {Coast, &outlines.coasts}};
    for (const auto& [kind, lines] : sources) {
        std::vector<Path> paths;
        for (const GeoLine& line : *lines) {
            if (near(line.bounds, box))
                project(box, line, kind != Border, &paths);
        }
        made->lines[kind] = strokeCoverage(paths, lineWidth[kind]);
    }
    return made;
}

bool sameBox(const GeoBox& a, const GeoBox& b) {
    return a.west == b.west && a.south == b.south && a.east == b.east && a.north == b.north;
}

// The kept outlines of `box`, made at its first use. Boxes are few (the regions'), so a
// list searched in turn serves.
std::shared_ptr<const BoxOutlines> outlinesOf(const GeoBox& box) {
    static std::mutex lock;
    static std::vector<std::shared_ptr<const BoxOutlines>> kept;
    std::lock_guard<std::mutex> guard(lock);
    for (const auto& entry : kept) {
        if (sameBox(entry->box, box))
            return entry;
    }
    std::shared_ptr<const BoxOutlines> made = makeOutlines(box);
    if (kept.size() < keptBoxes)
        kept.push_back(made);
    return made;
}

}  // namespace

std::shared_ptr<const LandMask> landMask(const GeoBox& box) {
    return outlinesOf(box)->land;
}

void drawOutlines(Canvas& map, const GeoBox& box, OutlineStyle style) {
    const std::shared_ptr<const BoxOutlines> outlines = outlinesOf(box);
    const LineStyle* look = style == OutlineStyle::OnField ? fieldLook : imageryLook;
    const Drawing drawing(map);
    for (int32_t kind = 0; kind < kindCount; ++kind) {
        // Only read through the surface: the kept bytes are shared by every thread.
        cairo_surface_t* mask = cairo_image_surface_create_for_data(
            const_cast<unsigned char*>(outlines->lines[kind].data()), CAIRO_FORMAT_A8, mapWidth,
            mapHeight, mapWidth);
        drawing.setColour(look[kind].colour, look[kind].alpha);
        cairo_mask_surface(drawing.cairo(), mask, 0, 0);
        cairo_surface_destroy(mask);
    }
}

}  // namespace nubivo::host
