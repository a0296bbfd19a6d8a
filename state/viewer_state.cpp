#include "state/viewer_state.h"

#include <cstring>

namespace nubivo {

ViewerState viewerState;

void resetViewerState() {
    ViewerState& s = viewerState;
    std::lock_guard guard(s.stateLock);
    s.selectedInfoTab = Condition;
    s.hoverInfoTab = -1;
    s.hoverMapTab = -1;
    s.selectedMapTab = Satellite;
    s.selectedRegion.store(Europe, std::memory_order_release);
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        s.layerStamp[layer] = SystemTime{};
        s.layerStampRegion[layer] = -1;
        unloadImage24(s.layerImage[layer]);
        s.layerReady[layer].store(0, std::memory_order_release);
    }
    unloadImage24(s.conditionIcon);
    ++s.imageGeneration;
    s.conditionIconUrl[0] = '\0';
    s.weather = WeatherReport{};
    s.scanState = ScanState::None;
}

void copyText(char* field, size_t size, const char* text) {
    if (size == 0) {
        return;
    }
    size_t length = strnlen(text, size - 1);
    memcpy(field, text, length);
    field[length] = '\0';
}

}  // namespace nubivo
