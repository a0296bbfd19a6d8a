#pragma once

#include <string_view>

#include "hosts/core/drawing.h"

namespace nubivo::host {

// Text on the hosts' pictures, in DejaVu Sans (Debian's fonts-dejavu-core) through cairo's
// FreeType backend. Sizes are the em in pixels; text is UTF-8. The faces are loaded once, at
// the first call, from their Debian path or else wherever fontconfig finds them; without them
// no text is drawn and the host says so once on standard error.
//
// Thread-safety: a FreeType face may be used by one thread at a time, and cairo's own locking
// of faces made from FT_Face objects is not documented as a promise, so every call here that
// measures or draws text holds one process-wide lock. Text is a small part of a map's time.
enum class Weight { Regular, Bold };

// How far text reaches, in pixels: its advance, and above and below its baseline (the
// face's ascent and descent at that size, the same for any text).
struct TextExtent {
    double width = 0;
    double ascent = 0;
    double descent = 0;
};

TextExtent measureText(std::string_view text, double size, Weight weight = Weight::Regular);

// Draws `text` with the left end of its baseline at (x, baseline) in the drawing's current
// source; false when there is no typeface.
bool drawText(const Drawing& drawing, double x, double baseline, std::string_view text, double size,
              Weight weight = Weight::Regular);

// True when the faces could be loaded.
bool typefaceLoaded();

}  // namespace nubivo::host
