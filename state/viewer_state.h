#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "state/image24.h"

namespace nubivo {

enum Region : int32_t {
    Europe = 0,
    NorthAmerica = 1,
    SouthAmerica = 2,
    Asia = 3,
    Australia = 4,
    Caribbean = 5,
    MiddleEast = 6,
    Africa = 7,
};
inline constexpr int32_t regionCount = 8;
// Labels of the region list, in list order. South America's label is spelled correctly here.
extern const char* const regionLabels[regionCount];

enum MapLayer : int32_t {
    Satellite = 0,
    ForecastHigh = 1,
    ForecastLow = 2,
    Precipitation = 3,
};
inline constexpr int32_t mapLayerCount = 4;
extern const char* const mapLayerCaptions[mapLayerCount];  // "Sat.", "High", "Low", "Prec."

enum InfoTab : int32_t {
    Wind = 0,
    Atmosphere = 1,
    Astronomy = 2,
    Condition = 3,
    Forecast = 4,
};
inline constexpr int32_t infoTabCaptionCount = 5;
extern const char* const infoTabCaptions[infoTabCaptionCount];  // "Wind" ... "Forc."

// The feed scanner's element state; 7 is not used.
enum class ScanState : int32_t {
    None = 0,
    Location = 1,
    Units = 2,
    Wind = 3,
    Atmosphere = 4,
    Astronomy = 5,
    Condition = 6,
    Forecast = 8,
};

// A Last-Modified time as eight 16-bit fields; two stamps are equal when all 16 bytes are.
struct SystemTime {
    uint16_t year;
    uint16_t month;
    uint16_t dayOfWeek;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;
};
static_assert(sizeof(SystemTime) == 16);

struct ForecastDay {
    char day[4];
    char date[256];
    int32_t low;
    int32_t high;
    char text[256];
    int32_t code;
};

inline constexpr int32_t forecastCapacity = 7;

// The weather values, written only by the feed scanner. Texts are NUL-terminated bytes as
// the feed gave them, cut to their field.
struct WeatherReport {
    char city[255];
    char region[255];
    char country[3];
    char tempUnit[2];
    char distanceUnit[3];
    char pressureUnit[3];
    char speedUnit[4];
    int32_t windChill;
    int32_t windDirection;
    int32_t windSpeed;
    int32_t humidity;
    int32_t visibility;  // hundredths of distanceUnit
    float pressure;
    int32_t rising;  // 0 steady, 1 rising, 2 falling
    char sunrise[16];
    char sunset[16];
    char latitude[16];
    char longitude[16];
    char conditionText[256];
    int32_t conditionCode;
    int32_t conditionTemp;
    char conditionDate[256];
    ForecastDay forecasts[forecastCapacity];
    int32_t forecastCount;  // 0 to 7
};

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

    std::mutex stateLock;
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
