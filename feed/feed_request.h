#pragma once

namespace nubivo {

// Fetches the feed for the location and unit the window's form holds now (through
// windowBridge.readForm) and scans what arrived, once, with scanFeed. Runs on the worker.
// Failures show only as fields that keep their values (0 bytes scanned).
void fetchFeed();

}  // namespace nubivo
