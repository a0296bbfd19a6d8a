#pragma once

#include "state/viewer_state.h"

namespace nubivo {

// Converts an HTTP date (RFC 1123, RFC 850 or asctime form) to its eight fields in UTC,
// day of week included and milliseconds 0. False, `out` untouched, for anything else.
bool parseHttpDate(const char* text, SystemTime* out);

}  // namespace nubivo
