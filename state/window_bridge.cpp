#include "state/window_bridge.h"

namespace nubivo {

WindowBridge windowBridge;

void requestRepaint(const Rect& rect) {
    if (windowBridge.requestRepaint != nullptr) {
        windowBridge.requestRepaint(rect);
    }
}

void readForm(char* location, size_t size, bool* celsius) {
    *celsius = true;
    if (size > 0) {
        location[0] = '\0';
    }
    if (windowBridge.readForm != nullptr) {
        windowBridge.readForm(location, size, celsius);
    }
}

}  // namespace nubivo
