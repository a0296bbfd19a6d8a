// Feeds arbitrary bytes to the scanner, twice in a row as successive updates would, with the
// icon download switched off so the run never reaches the network.
#include <cstddef>
#include <cstdint>

#include "feed/scan_feed.h"
#include "images/condition_icon.h"
#include "state/viewer_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool prepared = [] {
        nubivo::setIconDownloadEnabled(false);
        return true;
    }();
    (void)prepared;
    if (size > 1 << 20) {
        return 0;
    }
    const char* body = reinterpret_cast<const char*>(data);
    nubivo::scanFeed(body, static_cast<int32_t>(size));
    nubivo::scanFeed(body, static_cast<int32_t>(size / 2));
    return 0;
}
