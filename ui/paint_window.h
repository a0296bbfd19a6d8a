#pragma once

#include <QColor>
#include <cstdint>

#include "state/geometry.h"
#include "ui/canvas.h"

namespace nubivo {

inline const QColor darkTabColour{0x80, 0x80, 0x80};
inline const QColor lightTabColour{0xC0, 0xC0, 0xC0};
inline const QColor titleColour{0xFF, 0x00, 0x00};

// Makes windowResources.backBuffer the window's size in device pixels at `ratio` (360 x 570
// at 1, 720 x 1140 at 2) with that device pixel ratio, so that the paint's logical pixels
// land on whole device pixels. Keeps the buffer when it already fits. Window thread only.
void fitBackBuffer(double ratio);

// Paints the whole picture of the window into windowResources.backBuffer from viewerState:
// background, header, form labels, information panel and map panel. Holds the state lock
// for the whole paint. Window thread only.
void paintWindow();

// One tab strip of `count` tabs starting with `first`: light grey when hovered or selected,
// dark grey otherwise, black outlines, captions centred on each tab's top edge in
// smallBoldFont. Leaves the white panel brush and the left-top alignment in force.
void drawTabStrip(Canvas& canvas, Rect first, const char* const* captions, int32_t count,
                  int32_t hovered, int32_t selected);

}  // namespace nubivo
