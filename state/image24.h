#pragma once

// A decoded picture of 24 bits per pixel, as FreeImage keeps it: rows from bottom to top,
// each pixel blue, green, red, each row padded to a multiple of 4 bytes.
struct FIBITMAP;

namespace nubivo {

// An owned FreeImage bitmap, or null. Exactly one image slot owns a given handle.
using Image24 = FIBITMAP*;

// Unloads the slot's image (nothing for null) and leaves the slot null.
void unloadImage24(Image24& slot);

}  // namespace nubivo
