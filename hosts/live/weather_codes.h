#pragma once

#include <cstdint>

#include "hosts/core/icons.h"

namespace nubivo::live {

// The condition text of a WMO weather code as the forecast service reports it, in day or
// night wording ("Sunny" by day, "Clear" at night); "" for a code the service does not use.
const char* weatherText(int32_t code, bool day);

// The host's icon for a WMO weather code by day or night; a plain cloud for an unknown code.
host::IconKind weatherIcon(int32_t code, bool day);

}  // namespace nubivo::live
