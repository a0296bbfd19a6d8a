#pragma once

#include <cstddef>

#include "state/geometry.h"

namespace nubivo {

// What the update worker needs of the window, without knowing the toolkit. The window sets
// both entries at start-up; tests set recording fakes. Each entry may be null (then the
// worker asks nothing of the window: no repaint, an empty location and Celsius).
struct WindowBridge {
    // Called on the worker thread: asks for a repaint of `rect` on the window thread.
    // Must return without waiting for the window thread.
    void (*requestRepaint)(const Rect& rect) = nullptr;

    // Called on the worker thread: copies the location text (NUL-terminated, cut to
    // `size` - 1 bytes) and whether "C" is checked, as they stand now. Must never wait for
    // the window thread, so that shutdown cannot deadlock on it.
    void (*readForm)(char* location, size_t size, bool* celsius) = nullptr;
};

extern WindowBridge windowBridge;

// Helpers that honour a null entry.
void requestRepaint(const Rect& rect);
void readForm(char* location, size_t size, bool* celsius);

}  // namespace nubivo
