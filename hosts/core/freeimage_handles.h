#pragma once

#include <FreeImage.h>

#include <memory>

namespace nubivo::host {

// Owners of FreeImage's bitmaps and memory streams, released however a function ends.
struct BitmapUnloader {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
struct MemoryCloser {
    void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapUnloader>;
using MemoryStream = std::unique_ptr<FIMEMORY, MemoryCloser>;

}  // namespace nubivo::host
