#include "images/condition_icon.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "images/image_download.h"
#include "platform/http.h"
#include "state/viewer_state.h"

namespace nubivo {
namespace {

std::atomic<bool> iconDownloadEnabled{true};

constexpr int32_t workBufferSize = 1024;

int32_t findQuote(const char* body, int32_t length, int32_t from) {
    while (from < length && body[from] != '"') {
        ++from;
    }
    return from;
}

// Downloads `url` (empty: nothing can be opened) into conditionIcon; the old icon is gone
// whatever happens. The request is closed before decoding.
void downloadIcon(const char* url) {
    HttpRequest* request = url[0] != '\0' ? httpOpen(url, false) : nullptr;
    ResponseBody body = readResponseBody(request);
    httpClose(request);
    replaceImage(viewerState.conditionIcon, body.block, body.size);
    std::free(body.block);
}

}  // namespace

void setIconDownloadEnabled(bool enabled) {
    iconDownloadEnabled.store(enabled);
}

// The URL is the first quoted value after the name, whatever attribute holds it, and only a
// double quote ends it. A URL too long for conditionIconUrl (over 259 bytes) is never cut:
// up to 1023 bytes it is fetched whole from the working buffer, and over that it cannot be
// fetched at all, so the icon ends empty. Either way conditionIconUrl is left empty, as it
// cannot record that URL, and an IMG element without a quote then fetches nothing rather
// than an older icon.
int32_t handleImgElement(const char* body, int32_t length, int32_t position) {
    char url[workBufferSize];
    url[0] = '\0';
    bool named = false;
    int32_t resume = length;

    int32_t open = findQuote(body, length, position);
    int32_t start = open + 1;
    if (open < length && start < length) {
        named = true;
        int32_t close = findQuote(body, length, start);
        int32_t count = close - start;
        if (count < workBufferSize) {
            std::memcpy(url, body + start, static_cast<size_t>(count));
            url[count] = '\0';
        }
        resume = close < length ? close + 1 : length;
    }

    {
        std::lock_guard guard(viewerState.stateLock);
        if (named) {
            if (std::strlen(url) < sizeof viewerState.conditionIconUrl) {
                copyText(viewerState.conditionIconUrl, url);
            } else {
                viewerState.conditionIconUrl[0] = '\0';
            }
        } else {
            copyText(url, viewerState.conditionIconUrl);
        }
        viewerState.scanState = ScanState::None;
    }

    if (iconDownloadEnabled.load()) {
        downloadIcon(url);
    }
    return resume;
}

}  // namespace nubivo
