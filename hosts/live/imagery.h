#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "hosts/core/canvas.h"
#include "hosts/core/regions.h"
#include "hosts/live/upstream_client.h"

namespace nubivo::live {

// True-colour layers to try in turn: the second serves when the first has no picture.
extern const char* const trueColourLayers[2];

// "2026-12-06": the newest UTC day whose daily composite is complete at `now` (seconds since
// 1970). Near-real-time imagery of a day keeps arriving for hours after it ends, so the day
// before today counts only from 04:00 UTC on; before that, the day before it.
std::string imageryDay(int64_t now);

// The picture of a daily composite's answer: only a picture (see isPictureAnswer) of the
// map's size that is not almost all black (no data, or a night).
std::optional<host::Canvas> imageryPicture(const UpstreamAnswer& answer);

// True when nine pixels in ten or more are near black.
bool almostAllBlack(const host::Canvas& picture);

}  // namespace nubivo::live
