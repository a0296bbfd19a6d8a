#pragma once

#include <QFont>
#include <QString>
#include <cstdint>

namespace nubivo {

// The pixel height of a font of `points` at `dotsPerInch` logical pixels per inch:
// points x dpi / 72 rounded half away from zero (19, 13, 11 at 96 dpi for 14, 10, 8 pt).
int32_t fontPixelSize(int32_t points, int32_t dotsPerInch);

// Fontconfig's set-up and the search for the viewer's face, registering the Tahoma shipped
// with Wine's fonts when no Tahoma is installed. Needs no application object and may run on
// any thread, at most once per process; a second caller waits for the first. Run early on a
// thread of its own, it takes this work off the way to the first paint.
void lookUpViewerFace();

// The face the window draws with: "Tahoma" when one is installed or the Tahoma shipped with
// Wine's fonts can be loaded, otherwise the system's sans-serif face. Looks it up at most
// once per process (lookUpViewerFace); needs the application object.
QString viewerFontFamily();

// A font of the viewer's face at `points` for the screen's logical dpi.
QFont viewerFont(int32_t points, bool bold, bool italic, int32_t dotsPerInch);

// Creates titleFont, controlFont, smallFont and smallBoldFont of windowResources from the
// primary screen's logical dpi.
void createFonts();

}  // namespace nubivo
