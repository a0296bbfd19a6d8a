#pragma once

#include <cstdint>

#include "state/enumerations.h"

namespace nubivo {

// A rectangle in client pixels of the 360 x 570 window: the left column and top row are
// inside, the right column and bottom row are not.
struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

inline constexpr int32_t windowWidth = 360;
inline constexpr int32_t windowHeight = 570;

inline constexpr Rect infoPanelRect{10, 150, 350, 265};
inline constexpr Rect mapPanelRect{10, 270, 350, 540};
inline constexpr Rect mapImageRect{15, 295, 345, 535};

// Tabs are 40 x 15 pixels, each 42 pixels right of the one before.
inline constexpr int32_t tabStep = 42;
inline constexpr int32_t infoTabCount = infoTabCaptionCount;  // one tab per caption
inline constexpr int32_t mapTabCount = mapLayerCount;         // one tab per layer
inline constexpr Rect infoTabFirst{140, 152, 180, 167};
inline constexpr Rect mapTabFirst{182, 272, 222, 287};

// The rectangle of tab `index` in the strip that starts with `first`.
constexpr Rect tabRect(Rect first, int32_t index) {
    return Rect{first.left + index * tabStep, first.top, first.right + index * tabStep,
                first.bottom};
}

constexpr bool ptInRect(Rect rect, int32_t x, int32_t y) {
    return rect.left <= x && x < rect.right && rect.top <= y && y < rect.bottom;
}

// The index of the first of `count` tabs that holds the point, or -1.
constexpr int32_t hitTab(Rect first, int32_t count, int32_t x, int32_t y) {
    for (int32_t i = 0; i < count; ++i) {
        if (ptInRect(tabRect(first, i), x, y)) {
            return i;
        }
    }
    return -1;
}

}  // namespace nubivo
