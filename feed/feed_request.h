#pragma once

#include <cstddef>

namespace nubivo {

// The longest location, in bytes of UTF-8, that the viewer sends: the location box takes no
// more, a city's code is cut to it, and the live host refuses a longer one.
inline constexpr size_t maxLocationBytes = 254;

// Fetches the feed for the location and unit the window's form holds now (through
// windowBridge.readForm) and scans what arrived, once, with scanFeed. Runs on the worker.
// Failures show only as fields that keep their values (0 bytes scanned).
void fetchFeed();

}  // namespace nubivo
