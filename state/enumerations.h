#pragma once

#include <cstdint>

// The viewer's small enumerations, used as indices, with their counts and captions. The
// hosts serve one map picture per region and layer, so they count by these too.
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

}  // namespace nubivo
