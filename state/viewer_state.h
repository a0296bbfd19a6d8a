#pragma once

#include <atomic>
#include <cstdint>

#include "platform/http_date.h"
#include "state/enumerations.h"
#include "state/image24.h"
#include "state/state_lock.h"
#include "state/weather_report.h"

namespace nubivo {

// The one process-wide record of what the viewer shows.
//
// Locking rule: every change of the weather values, `scanState`, the icon URL and the image
// slots happens under `stateLock`, held only around the store itself (never across network
// I/O or decoding), and the painter holds it for a whole paint, so it never sees a
// half-written value or a released image.
//
// `layerReady` and `selectedRegion` are atomics: a flag is set (release) after its slot
// holds its final value, and the painter reads the flag (acquire) before the slot.
struct ViewerState {
    // View state: written by the window thread.
    int32_t selectedInfoTab = Condition;
    int32_t hoverInfoTab = -1;
    int32_t hoverMapTab = -1;
    int32_t selectedMapTab = Satellite;
    std::atomic<int32_t> selectedRegion{Europe};  // read by the worker at each layer

    // Layer cache: written by the worker.
    SystemTime layerStamp[mapLayerCount]{};
    int32_t layerStampRegion[mapLayerCount]{-1, -1, -1, -1};  // region each stamp was for
    Image24 layerImage[mapLayerCount]{};
    std::atomic<int32_t> layerReady[mapLayerCount]{};

    // Condition icon: written by the worker.
    Image24 conditionIcon = nullptr;
    char conditionIconUrl[260]{};

    WeatherReport weather{};
    ScanState scanState = ScanState::None;

    // Counts every change of an image slot, so the window can keep what it made of a
    // picture without looking at its pixels while nothing has changed. Only grows.
    uint64_t imageGeneration = 0;

    StateLock stateLock;
};

extern ViewerState viewerState;

// Puts every field back to its start-up value and unloads the five images. Only for a
// moment when no update runs (start-up, tests).
void resetViewerState();

// Copies `text` (NUL-terminated) into `field` of `size` bytes, cut to size - 1 bytes; the
// field is always NUL-terminated. Nothing is written past the field.
void copyText(char* field, size_t size, const char* text);

template <size_t N>
void copyText(char (&field)[N], const char* text) {
    copyText(field, N, text);
}

}  // namespace nubivo
