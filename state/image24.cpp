#include "state/image24.h"

#include "platform/freeimage_library.h"

namespace nubivo {

// An image exists only once FreeImage has been loaded to make it, so neither function below
// ever loads it for a null image.

void unloadImage24(Image24& slot) {
    if (slot != nullptr) {
        if (const FreeImageLibrary* freeImage = freeImageLibrary()) {
            freeImage->Unload(slot);
        }
    }
    slot = nullptr;
}

Image24Pixels image24Pixels(Image24 image) {
    Image24Pixels pixels;
    const FreeImageLibrary* freeImage = image != nullptr ? freeImageLibrary() : nullptr;
    if (freeImage == nullptr) {
        return pixels;
    }
    pixels.bits = freeImage->GetBits(image);
    pixels.width = freeImage->GetWidth(image);
    pixels.height = freeImage->GetHeight(image);
    pixels.pitch = freeImage->GetPitch(image);
    pixels.rowBytes = freeImage->GetLine(image);
    pixels.bitsPerPixel = freeImage->GetBPP(image);
    return pixels;
}

}  // namespace nubivo
