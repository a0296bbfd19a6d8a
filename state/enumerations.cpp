#include "state/enumerations.h"

namespace nubivo {

const char* const regionLabels[regionCount] = {
    "Europe",    "North America", "South America", "Asia",
    "Australia", "Caribbean",     "Middle East",   "Africa",
};

const char* const mapLayerCaptions[mapLayerCount] = {"Sat.", "High", "Low", "Prec."};

const char* const infoTabCaptions[infoTabCaptionCount] = {"Wind", "Atmo.", "Astr.", "Cond.",
                                                          "Forc."};

}  // namespace nubivo
