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

// One paint's drawing state over the back buffer. Rectangles follow the window's
// convention: the left column and top row are inside, the right column and bottom row are
// not. The painter's font is the selected font; `brush` fills rectangles; `textColour`
// draws text over a transparent background.
struct Canvas {
    explicit Canvas(QImage* target);

    QPainter painter;
    double ratio;  // device pixels per logical pixel of the target
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
// right - left by bottom - top pixels in all.
void rectangle(Canvas& canvas, Rect rect);

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

// Draws `picture` scaled to fill `rect` exactly (no aspect ratio kept), averaging pixels
// when it shrinks. A picture that already covers the rectangle's device pixels at the
// canvas's ratio (as cachedPicture makes them) is copied pixel for pixel.
void stretchPicture(Canvas& canvas, Rect rect, const QImage& picture);

}  // namespace nubivo
