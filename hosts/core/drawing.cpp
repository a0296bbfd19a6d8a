#include "hosts/core/drawing.h"

#include <algorithm>
#include <numbers>

namespace nubivo::host {

Drawing::Drawing(Canvas& canvas)
    : surface_(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(canvas.words()),
                                                   CAIRO_FORMAT_RGB24, canvas.width(),
                                                   canvas.height(), canvas.width() * 4)),
      cairo_(cairo_create(surface_)) {
    // A canvas of a width cairo refuses still gets a context: an error one, on which every
    // call does nothing.
    cairo_set_antialias(cairo_, CAIRO_ANTIALIAS_GRAY);
}

Drawing::~Drawing() {
    cairo_destroy(cairo_);
    cairo_surface_flush(surface_);
    cairo_surface_destroy(surface_);
}

void Drawing::setColour(Colour colour, double alpha) const {
    cairo_set_source_rgba(cairo_, colour.r / 255.0, colour.g / 255.0, colour.b / 255.0,
                          std::clamp(alpha, 0.0, 1.0));
}

void Drawing::setLine(double width) const {
    cairo_set_line_width(cairo_, width);
    cairo_set_line_cap(cairo_, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cairo_, CAIRO_LINE_JOIN_ROUND);
}

void Drawing::roundedRectangle(double left, double top, double width, double height,
                               double radius) const {
    const double r = std::min({radius, width / 2, height / 2});
    const double right = left + width;
    const double bottom = top + height;
    constexpr double quarter = std::numbers::pi / 2;
    cairo_new_sub_path(cairo_);
    cairo_arc(cairo_, right - r, top + r, r, -quarter, 0);
    cairo_arc(cairo_, right - r, bottom - r, r, 0, quarter);
    cairo_arc(cairo_, left + r, bottom - r, r, quarter, 2 * quarter);
    cairo_arc(cairo_, left + r, top + r, r, 2 * quarter, 3 * quarter);
    cairo_close_path(cairo_);
}

}  // namespace nubivo::host
