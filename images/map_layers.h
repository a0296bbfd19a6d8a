#pragma once

#include <cstdint>

#include "state/geometry.h"
#include "state/viewer_state.h"

namespace nubivo {

// The image host's path of each region's and layer's map picture.
extern const char* const mapImagePath[regionCount][mapLayerCount];

// The largest map picture a slot keeps: twice the map area on each side, 660 x 480. A larger
// one is averaged down to it right after decoding, so the memory held follows what is shown
// rather than what a server sends.
inline constexpr uint32_t mapKeptWidth = 2 * (mapImageRect.right - mapImageRect.left);
inline constexpr uint32_t mapKeptHeight = 2 * (mapImageRect.bottom - mapImageRect.top);

// Fetches `layer` of the region in effect into layerImage[layer], skipping the body when the
// picture's Last-Modified time equals the stamp stored for the same region. Runs on the
// worker, only while layerReady[layer] is 0.
void fetchMapLayer(MapLayer layer);

}  // namespace nubivo
