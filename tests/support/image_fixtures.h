#pragma once

#include <cstdint>
#include <string>

namespace nubivo::test {

// Encoded test pictures made in memory with FreeImage: a `width` x `height` picture whose
// every pixel has the colour (red, green, blue). `format` is "jpeg", "png" or "gif".
// Empty on failure.
std::string encodePicture(const char* format, int width, int height, uint8_t red,
                          uint8_t green, uint8_t blue);

}  // namespace nubivo::test
