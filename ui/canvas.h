#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

#include "state/geometry.h"

namespace nubivo {

// Which point of a text line's box is placed on the anchor given to textOut; the top is
// always the top of the text cell (ascent above the baseline), not the baseline.
enum class TextAlign { LeftTop, CentreTop, RightTop };

// One paint's drawing state over the back buffer. Coordinates are the window's logical
// pixels; the target's device pixel ratio maps them to its device pixels, logical pixel v
// covering device pixels round(v * ratio) up to round((v + 1) * ratio), so shapes keep hard
// edges on whole device pixels at any scale. Rectangles follow the window's convention: the
// left column and top row are inside, the right column and bottom row are not. The
// painter's font is the selected font; `brush` fills rectangles; `textColour` draws text
// over a transparent background.
//
// The painter works on the target's device pixels with no transform of its own (the shapes
// and pictures are placed by the canvas, which keeps large fills on Qt's direct path); text
// is drawn under the ratio's scale, so it is laid out and rasterised at the device pixels.
// `target` must outlive the canvas.
struct Canvas {
    explicit Canvas(QImage* target);

    double ratio;         // device pixels per logical pixel of the target
    QImage devicePixels;  // the target's pixels, shared, without a ratio
    QPainter painter;
    TextAlign align = TextAlign::LeftTop;
    QColor brush{Qt::white};
    QColor textColour{Qt::black};
};

// The program's 8-bit texts as Qt text: UTF-8 where the bytes are valid UTF-8, otherwise
// each byte taken as Latin-1, so no text is ever lost to decoding.
QString textFromBytes(const char* text);

// Fills `rect` with `colour`, no outline.
void fill(Canvas& canvas, Rect rect, QColor colour);

// A 1-pixel black outline on the rectangle's edge pixels with the current brush inside:
// right - left by bottom - top pixels in all. With `covered`, a rectangle inside it that the
// caller paints over at once, the brush leaves that part alone, so no pixel is painted twice.
void rectangle(Canvas& canvas, Rect rect, const Rect* covered = nullptr);

// A 1-pixel black line from (x0,y0) towards (x1,y1); the end point itself is not drawn.
void line(Canvas& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1);

// The text cell of a font in pixels: the ascent above the baseline and the line height,
// from the font's Windows ascent and descent where it has them, so that text stands where
// the window's layout expects it whatever the font says about typographic line spacing.
struct CellMetrics {
    int32_t ascent;
    int32_t height;
};
CellMetrics cellMetrics(const QFont& font);

// One line of text in the selected font at the anchor, aligned by `canvas.align`.
void textOut(Canvas& canvas, int32_t x, int32_t y, const char* text);

// Text broken into lines at word boundaries to fit the rectangle's width, each line centred
// or flush left, clipped to the rectangle.
void drawTextWrapped(Canvas& canvas, Rect rect, const char* text, bool centred);

// The device pixel where logical coordinate `v` begins.
int32_t toDevice(const Canvas& canvas, int32_t v);

// Draws `picture` with its top-left corner at logical (x,y), one picture pixel on one device
// pixel: a picture made for the target's ratio covers its logical size.
void drawPicture(Canvas& canvas, int32_t x, int32_t y, const QImage& picture);

// Draws `picture` scaled to fill `rect` exactly (no aspect ratio kept), averaging pixels
// when it shrinks. A picture that already covers the rectangle's device pixels at the
// canvas's ratio (as cachedPicture makes them) is copied pixel for pixel.
void stretchPicture(Canvas& canvas, Rect rect, const QImage& picture);

}  // namespace nubivo
