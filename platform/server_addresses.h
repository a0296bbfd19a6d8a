#pragma once

namespace nubivo {

// The feed host and the image host: scheme, host and optional port, no trailing slash.
// Fixed when the program is built; nothing is read at run time.
const char* feedHost();
const char* imageHost();

// For tests only: points both hosts elsewhere (null restores the built-in value).
void setHostsForTesting(const char* feed, const char* image);

}  // namespace nubivo
