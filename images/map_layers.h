#pragma once

#include "state/viewer_state.h"

namespace nubivo {

// The image host's path of each region's and layer's map picture.
extern const char* const mapImagePath[regionCount][mapLayerCount];

// Fetches `layer` of the region in effect into layerImage[layer], skipping the body when the
// picture's Last-Modified time equals the stamp stored for the same region. Runs on the
// worker, only while layerReady[layer] is 0.
void fetchMapLayer(MapLayer layer);

}  // namespace nubivo
