#pragma once

#include <cstdint>
#include <string_view>

#include "hosts/core/canvas.h"

namespace nubivo::host {

// A small built-in font of 5 x 7 pixel glyphs for credit lines and legends on the maps:
// ASCII letters, digits, common punctuation and the degree sign (written as UTF-8 "°").
// Other characters are drawn as a space. Every glyph advances 6 pixels times `scale`.
inline constexpr int32_t glyphWidth = 5;
inline constexpr int32_t glyphHeight = 7;
inline constexpr int32_t glyphAdvance = 6;

// The width in pixels that drawText takes for `text` at `scale`.
int32_t textWidth(std::string_view text, int32_t scale = 1);

// Draws `text` with its top-left corner at (`left`, `top`), each font pixel a square of
// `scale` pixels; clipped to the canvas.
void drawText(Canvas& canvas, int32_t left, int32_t top, std::string_view text, Colour colour,
              int32_t scale = 1);

// drawText on a backdrop of `backdrop` mixed in by `amount`, with a pixel of margin at
// `scale` around the text: legible over any picture.
void drawLabel(Canvas& canvas, int32_t left, int32_t top, std::string_view text, Colour colour,
               Colour backdrop, double amount, int32_t scale = 1);

}  // namespace nubivo::host
