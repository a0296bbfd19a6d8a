#pragma once

#include "hosts/core/feed_document.h"
#include "hosts/live/forecast.h"
#include "hosts/live/geocoding.h"

namespace nubivo::live {

// The feed's values of `place` from its forecast answer, in the viewer's metric units
// (C km mb kph) or imperial ones (F mi in mph). Every number is upstream's value converted
// and rounded; a value the service did not have stays empty.
host::FeedValues liveFeedValues(const Place& place, const ForecastAnswer& answer, bool metric);

// "Mon, 07 Dec 2026 10:45 am CET": the observation time as the feed's condition date.
std::string observationText(const LocalTime& time, const std::string& zone);

}  // namespace nubivo::live
