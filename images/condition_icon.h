#pragma once

#include <cstdint>

namespace nubivo {

// The feed scanner's IMG handler. `position` is the index of the byte that ended the name.
// Takes the first quoted value after it into conditionIconUrl, downloads and decodes that
// icon into conditionIcon, sets scanState to None and returns the index from which the scan
// goes on (at or past `length` ends it).
int32_t handleImgElement(const char* body, int32_t length, int32_t position);

// Whether handleImgElement downloads the icon (the default) or only takes its URL, for
// tools that must not reach the network.
void setIconDownloadEnabled(bool enabled);

}  // namespace nubivo
