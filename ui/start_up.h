#pragma once

#include <cstdint>

namespace nubivo {

struct WindowPosition {
    int32_t x;
    int32_t y;
};

// The top-left corner that centres the 360 x 570 window on a screen of the given size:
// ((width - 360) / 2, (height - 570) / 2), truncated toward zero, so negative on a screen
// smaller than the window.
WindowPosition centredPosition(int32_t screenWidth, int32_t screenHeight);

// First thing in main: starts, on a thread of its own, the start-up work that needs no
// application object (fontconfig's set-up and the search for the viewer's face), so that
// it runs while the application object is made. startViewer waits for it where it needs
// it; without this call startViewer does the same work itself.
void prepareInBackground();

// Before the application object exists: the window follows the desktop's scale factor
// exactly (QT_SCALE_FACTOR, the screen's own scale), fractional factors included; its 360 x
// 570 pixels are logical pixels.
void prepareApplication();

// Creates the window centred on the primary screen, the back buffer, the fonts, the ten
// controls with the region list filled, and fills the country list; the window is shown.
// Needs the application object; window thread only.
void startViewer();

// After the event loop: stops the update worker, releases the back buffer, the fonts, the
// window with its controls and, when the worker has ended, the images. Returns false when
// the worker could not be stopped (the images are then left alone).
bool shutDownViewer();

}  // namespace nubivo
