#pragma once

#include <cstdint>

#include "platform/http.h"
#include "state/image24.h"

namespace nubivo {

// Loads FreeImage and enables only its JPEG, PNG and GIF decoders. Later calls do nothing;
// replaceImage makes the first call itself if none came before, so FreeImage is loaded at
// the first picture, not at program start. Where it cannot be loaded, nothing decodes (said
// once on standard error) and every slot ends empty.
void initImageDecoding();

// A whole response body on the heap: exactly `size` bytes, no terminator; null when none.
// The caller frees `block` with std::free.
struct ResponseBody {
    uint8_t* block = nullptr;
    uint32_t size = 0;
    bool complete = false;  // ended by a read of 0 bytes, not by a failure or the limit
};

// Reads the body of an open request (null allowed) in pieces of 4096 bytes until a read
// gives 0 or fails; the bytes so far are kept on a failure. A body over 8 MiB is abandoned
// and gives no block. Does not close the request.
ResponseBody readResponseBody(HttpRequest* request);

// The largest body readResponseBody keeps, in bytes.
inline constexpr uint32_t responseBodyLimit = 8u * 1024u * 1024u;

// The loop behind readResponseBody over any source, keeping at most `limit` bytes: `read`
// behaves as httpRead does for `context` (count, 0 at the end, -1 on failure). For tests
// that script the pieces.
using BodyReader = int32_t (*)(void* context, char* buffer, int32_t size);
ResponseBody readBody(BodyReader read, void* context, uint32_t limit);

// Decodes `block` (JPEG, PNG or GIF of at most 4096 x 4096 pixels) into a 24-bit image and
// swaps it into `slot` under the state lock; the old image is unloaded whatever happens, so
// the slot ends holding the new image or null. Does not free the block.
void replaceImage(Image24& slot, const uint8_t* block, uint32_t size);

// As replaceImage, for a picture the window stretches into an area: one decoded wider than
// `maxWidth` or taller than `maxHeight` is averaged down to fit (reducedSize) right after
// decoding, and only the reduced picture reaches the slot; one within both is kept exactly
// as decoded. A limit of 0 means none.
void replaceImageWithin(Image24& slot, const uint8_t* block, uint32_t size, uint32_t maxWidth,
                        uint32_t maxHeight);

}  // namespace nubivo
