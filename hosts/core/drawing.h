#pragma once

#include <cairo.h>

#include "hosts/core/canvas.h"

namespace nubivo::host {

// A cairo context that draws onto a canvas's pixels in place, in pixel units from the
// top-left corner, anti-aliased. The canvas must outlive it and is not to be resized while it
// lives; what was drawn is in the canvas once the Drawing ends. One thread at a time, like
// every cairo context; contexts on different canvases may draw on different threads at once
// (cairo guards its own shared caches). Text goes through typeface.h, which serialises it.
class Drawing {
  public:
    explicit Drawing(Canvas& canvas);
    ~Drawing();
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;

    cairo_t* cairo() const { return cairo_; }

    void setColour(Colour colour, double alpha = 1.0) const;
    // Round caps and joins: mitred joins smear coastlines into blots at sharp turns.
    void setLine(double width) const;
    // A rectangle with corners rounded by `radius`, as the current path.
    void roundedRectangle(double left, double top, double width, double height,
                          double radius) const;

  private:
    cairo_surface_t* surface_;
    cairo_t* cairo_;
};

}  // namespace nubivo::host
