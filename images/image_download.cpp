#include "images/image_download.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "images/gif_size.h"
#include "images/picture_reduction.h"
#include "platform/freeimage_library.h"
#include "state/viewer_state.h"

namespace nubivo {
namespace {

constexpr int32_t chunkSize = 4096;
constexpr unsigned maxImageSide = 4096;

int32_t readFromRequest(void* context, char* buffer, int32_t size) {
    return httpRead(static_cast<HttpRequest*>(context), buffer, size);
}

// JPEG and PNG: the decoder reads the header alone, without any pixel.
bool headerSizeAcceptable(const FreeImageLibrary* freeImage, FREE_IMAGE_FORMAT format,
                          FIMEMORY* stream) {
    freeImage->SeekMemory(stream, 0, SEEK_SET);
    FIBITMAP* header = freeImage->LoadFromMemory(format, stream, FIF_LOAD_NOPIXELS);
    if (header == nullptr) {
        return false;
    }
    bool acceptable =
        freeImage->GetWidth(header) <= maxImageSide && freeImage->GetHeight(header) <= maxImageSide;
    freeImage->Unload(header);
    return acceptable;
}

// The 24-bit image of a decoded bitmap, which it takes over: exactly as decoded when it fits
// `maxWidth` x `maxHeight` (0: no limit), otherwise averaged down to fit. A 24- or 32-bit
// bitmap is reduced as it is, without a full-size 24-bit copy first; a fitting 24-bit one is
// the result itself.
Image24 fittedImage24(const FreeImageLibrary* freeImage, FIBITMAP* loaded, uint32_t maxWidth,
                      uint32_t maxHeight) {
    const bool fits =
        maxWidth == 0 || maxHeight == 0 ||
        (freeImage->GetWidth(loaded) <= maxWidth && freeImage->GetHeight(loaded) <= maxHeight);
    const unsigned depth = freeImage->GetBPP(loaded);
    const bool plainBitmap = freeImage->GetImageType(loaded) == FIT_BITMAP;
    Image24 result = nullptr;
    if (fits && plainBitmap && depth == 24) {
        // Already what the slot holds (most JPEGs and many PNGs): kept, not copied, so an
        // update never holds a picture twice.
        result = loaded;
        loaded = nullptr;
    } else if (fits) {
        result = freeImage->ConvertTo24Bits(loaded);
    } else if (plainBitmap && (depth == 24 || depth == 32)) {
        result = reduceImage24(loaded, maxWidth, maxHeight);
    } else {
        Image24 converted = freeImage->ConvertTo24Bits(loaded);
        freeImage->Unload(loaded);
        loaded = nullptr;
        result = reduceImage24(converted, maxWidth, maxHeight);
        unloadImage24(converted);
    }
    if (loaded != nullptr) {
        freeImage->Unload(loaded);
    }
    return result;
}

// A new 24-bit bitmap of the block's picture, fitted to `maxWidth` x `maxHeight` (0: no
// limit), or null for anything but a JPEG, PNG or GIF within the size limit that decodes,
// and when FreeImage cannot be loaded.
Image24 decodeImage24(const uint8_t* block, uint32_t size, uint32_t maxWidth, uint32_t maxHeight) {
    const FreeImageLibrary* freeImage = freeImageLibrary();
    if (freeImage == nullptr || block == nullptr || size == 0) {
        return nullptr;
    }
    auto closeMemory = [freeImage](FIMEMORY* memory) { freeImage->CloseMemory(memory); };
    // The stream only reads: FreeImage wants a non-const pointer for a read-only wrapper.
    std::unique_ptr<FIMEMORY, decltype(closeMemory)> stream(
        freeImage->OpenMemory(const_cast<uint8_t*>(block), size), closeMemory);
    if (!stream) {
        return nullptr;
    }
    FREE_IMAGE_FORMAT format = freeImage->GetFileTypeFromMemory(stream.get(), 0);
    bool acceptable = false;
    switch (format) {
        case FIF_JPEG:
        case FIF_PNG:
            acceptable = headerSizeAcceptable(freeImage, format, stream.get());
            break;
        case FIF_GIF:
            acceptable = gifWithinSize(block, size, maxImageSide);
            break;
        default:
            break;
    }
    if (!acceptable) {
        return nullptr;
    }
    freeImage->SeekMemory(stream.get(), 0, SEEK_SET);
    FIBITMAP* loaded = freeImage->LoadFromMemory(format, stream.get(), 0);
    if (loaded == nullptr) {
        return nullptr;
    }
    return fittedImage24(freeImage, loaded, maxWidth, maxHeight);
}

void swapIntoSlot(Image24& slot, Image24 fresh) {
    Image24 old = nullptr;
    {
        std::lock_guard guard(viewerState.stateLock);
        old = slot;
        slot = fresh;
        ++viewerState.imageGeneration;
    }
    // Outside the lock: the painter can no longer reach the old image.
    unloadImage24(old);
}

}  // namespace

void initImageDecoding() {
    static std::once_flag once;
    std::call_once(once, [] {
        const FreeImageLibrary* freeImage = freeImageLibrary();
        if (freeImage == nullptr) {
            return;  // then nothing is ever decoded
        }
        int count = freeImage->GetFIFCount();
        for (int index = 0; index < count; ++index) {
            auto format = static_cast<FREE_IMAGE_FORMAT>(index);
            bool wanted = format == FIF_JPEG || format == FIF_PNG || format == FIF_GIF;
            freeImage->SetPluginEnabled(format, wanted ? TRUE : FALSE);
        }
    });
}

ResponseBody readBody(BodyReader read, void* context, uint32_t limit) {
    ResponseBody body;
    char chunk[chunkSize];
    for (;;) {
        int32_t got = read(context, chunk, chunkSize);
        if (got == 0) {
            body.complete = true;
            break;
        }
        if (got < 0) {
            break;
        }
        if (got > chunkSize) {  // a reader that claims more than it was given is broken
            break;
        }
        uint32_t count = static_cast<uint32_t>(got);
        if (count > limit - body.size) {
            std::free(body.block);
            return ResponseBody{};
        }
        uint32_t total = body.size + count;
        auto* grown = static_cast<uint8_t*>(std::realloc(body.block, total));
        if (grown == nullptr) {
            std::free(body.block);
            return ResponseBody{};
        }
        std::memcpy(grown + body.size, chunk, count);
        body.block = grown;
        body.size = total;
    }
    return body;
}

ResponseBody readResponseBody(HttpRequest* request) {
    if (request == nullptr) {
        return ResponseBody{};
    }
    return readBody(readFromRequest, request, responseBodyLimit);
}

void replaceImage(Image24& slot, const uint8_t* block, uint32_t size) {
    replaceImageWithin(slot, block, size, 0, 0);
}

void replaceImageWithin(Image24& slot, const uint8_t* block, uint32_t size, uint32_t maxWidth,
                        uint32_t maxHeight) {
    initImageDecoding();  // no decoding ever runs with the other decoders enabled
    swapIntoSlot(slot, decodeImage24(block, size, maxWidth, maxHeight));
}

}  // namespace nubivo
