#include "feed/feed_request.h"

#include <cstdint>
#include <cstdio>

#include "feed/scan_feed.h"
#include "platform/http.h"
#include "platform/server_addresses.h"
#include "state/window_bridge.h"

namespace nubivo {
namespace {

constexpr int32_t chunkSize = 4096;
// A feed longer than this is scanned as far as it goes; the rest is never transferred.
constexpr int32_t bodyCapacity = 64 * 1024;

}  // namespace

void fetchFeed() {
    char location[maxLocationBytes + 1];
    bool celsius = true;
    readForm(location, sizeof location, &celsius);
    location[sizeof location - 1] = '\0';

    // Every location the box can hold fits, so a URL is never cut; should a long host ever
    // make it not fit, nothing is requested rather than a cut URL.
    char url[1024];
    const int urlLength = std::snprintf(
        url, sizeof url, celsius ? "%s/forecastrss?p=%s&u=c" : "%s/forecastrss?p=%s&u=f",
        feedHost(), location);

    char body[bodyCapacity];
    int32_t length = 0;
    if (urlLength > 0 && static_cast<size_t>(urlLength) < sizeof url) {
        HttpRequest* request = httpOpen(url, false);
        if (request != nullptr) {
            while (length < bodyCapacity) {
                const int32_t wanted =
                    bodyCapacity - length < chunkSize ? bodyCapacity - length : chunkSize;
                const int32_t count = httpRead(request, body + length, wanted);
                if (count <= 0) {
                    break;
                }
                length += count;
            }
            httpClose(request);
        }
    }
    scanFeed(body, length);
}

}  // namespace nubivo
