#pragma once

#include <cstdint>

namespace nubivo {

// One forward pass over `length` bytes of a feed (not NUL-terminated; 0 allowed), storing
// the values of the recognised elements into viewerState.weather. Each store is made under
// the state lock. Calls handleImgElement at every IMG element and goes on where it says.
void scanFeed(const char* body, int32_t length);

}  // namespace nubivo
