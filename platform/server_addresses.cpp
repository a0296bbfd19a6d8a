#include "platform/server_addresses.h"

#include <atomic>

namespace nubivo {
namespace {
std::atomic<const char*> feedOverride{nullptr};
std::atomic<const char*> imageOverride{nullptr};
}  // namespace

const char* feedHost() {
    const char* host = feedOverride.load(std::memory_order_acquire);
    return host != nullptr ? host : NUBIVO_FEED_HOST;
}

const char* imageHost() {
    const char* host = imageOverride.load(std::memory_order_acquire);
    return host != nullptr ? host : NUBIVO_IMAGE_HOST;
}

void setHostsForTesting(const char* feed, const char* image) {
    feedOverride.store(feed, std::memory_order_release);
    imageOverride.store(image, std::memory_order_release);
}

}  // namespace nubivo
