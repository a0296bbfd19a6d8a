#include "images/condition_icon.h"

#include <atomic>
#include <cstring>

#include "state/viewer_state.h"

namespace nubivo {
namespace {
std::atomic<bool> iconDownloadEnabled{true};
}  // namespace

void setIconDownloadEnabled(bool enabled) {
    iconDownloadEnabled.store(enabled);
}

// Stand-in until the picture download lands: takes the URL only.
int32_t handleImgElement(const char* body, int32_t length, int32_t position) {
    int32_t resume = length;
    int32_t open = position;
    while (open < length && body[open] != '"') {
        ++open;
    }
    int32_t v = open + 1;
    if (open < length && v < length) {
        int32_t close = v;
        while (close < length && body[close] != '"') {
            ++close;
        }
        char url[1024];
        int32_t count = close - v < 1023 ? close - v : 1023;
        memcpy(url, body + v, static_cast<size_t>(count));
        url[count] = '\0';
        resume = close + 1;
        std::lock_guard<std::mutex> guard(viewerState.stateLock);
        copyText(viewerState.conditionIconUrl, url);
    }
    std::lock_guard<std::mutex> guard(viewerState.stateLock);
    viewerState.scanState = ScanState::None;
    return resume;
}

}  // namespace nubivo
