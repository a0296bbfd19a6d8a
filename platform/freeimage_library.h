#pragma once

#include <FreeImage.h>

namespace nubivo {

// The FreeImage entry points the picture code calls, each named as its FreeImage_ function
// without the prefix (`Unload` for FreeImage_Unload). Default arguments do not come along:
// every argument is given.
#define NUBIVO_FREEIMAGE_ENTRY_POINTS(X) \
    X(Allocate)                          \
    X(Unload)                            \
    X(OpenMemory)                        \
    X(CloseMemory)                       \
    X(SeekMemory)                        \
    X(GetFileTypeFromMemory)             \
    X(LoadFromMemory)                    \
    X(ConvertTo24Bits)                   \
    X(GetFIFCount)                       \
    X(SetPluginEnabled)                  \
    X(GetImageType)                      \
    X(GetBPP)                            \
    X(GetWidth)                          \
    X(GetHeight)                         \
    X(GetPitch)                          \
    X(GetLine)                           \
    X(GetBits)

struct FreeImageLibrary {
#define NUBIVO_FREEIMAGE_FIELD(name) decltype(&::FreeImage_##name) name = nullptr;
    NUBIVO_FREEIMAGE_ENTRY_POINTS(NUBIVO_FREEIMAGE_FIELD)
#undef NUBIVO_FREEIMAGE_FIELD
};

// FreeImage, opened at the first call from any thread; null when it cannot be loaded, which
// is said once on standard error. The table stays valid to the end of the process.
const FreeImageLibrary* freeImageLibrary();

// For tests: the next freeImageLibrary() opens `soname` instead of FreeImage (null:
// FreeImage again). Only while no other thread decodes or paints.
void reopenFreeImageLibraryForTesting(const char* soname);

}  // namespace nubivo
