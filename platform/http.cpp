#include "platform/http.h"

#include <strings.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/curl_library.h"

namespace nubivo {

struct HttpRequest {
    const CurlLibrary* curl = nullptr;  // the loaded library, for every call on the handles
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    curl_slist* requestHeaders = nullptr;

    // Header lines of the response being received, "Name: value" each without CR LF. A new
    // status line (a redirect's target, an interim 1xx) starts them afresh.
    std::vector<std::string> headerLines;
    long blockStatus = 0;
    bool blockHasLocation = false;
    bool headersIn = false;  // the final response's header block is complete

    // Body bytes received and not yet read: buffer[begin, end). libcurl hands over up to
    // CURL_MAX_WRITE_SIZE bytes at once and a chunk cannot be taken in part, so the buffer
    // holds one whole chunk; a chunk that does not fit pauses the transfer until it is empty.
    char buffer[CURL_MAX_WRITE_SIZE];
    size_t begin = 0;
    size_t end = 0;
    bool paused = false;

    bool finished = false;
    CURLcode result = CURLE_OK;
    unsigned long events = 0;  // bumped by every callback and at completion
};

namespace {

constexpr const char* agentName = "Nubivo Weather Viewer";
constexpr long maxRedirects = 5;
// Longest single wait for socket activity; libcurl shortens it to its own next timeout, and
// httpCancelAll interrupts it.
constexpr int pollTimeoutMs = 1000;

std::atomic<bool> cancelRaised{false};
std::atomic<long> connectTimeoutMs{HttpLimits{}.connectTimeoutMs};
std::atomic<long> stallSeconds{HttpLimits{}.stallSeconds};
std::atomic<long> totalTimeoutMs{HttpLimits{}.totalTimeoutMs};

// The receive buffer asked for each connection. A map whose Last-Modified time is unchanged is
// closed as soon as its headers are in, and whatever the host pushed before that close was
// sent for nothing: the kernel's default buffer takes a whole map picture. A small one keeps
// that to a few segments, and costs a transfer from a host on this machine nothing.
constexpr int receiveBufferBytes = 16 * 1024;

int onSocketOpened(void*, curl_socket_t socket, curlsocktype purpose) {
    if (purpose == CURLSOCKTYPE_IPCXN) {
        // Best effort: without it the transfer works as it always did.
        setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof receiveBufferBytes);
    }
    return CURL_SOCKOPT_OK;
}

// Every multi handle alive, so that httpCancelAll can wake the thread waiting on it. A handle
// leaves the list (under the mutex) before it is cleaned up.
std::mutex liveMutex;
std::vector<CURLM*> liveMultis;

void registerMulti(CURLM* multi) {
    std::lock_guard<std::mutex> lock(liveMutex);
    liveMultis.push_back(multi);
}

void unregisterMulti(CURLM* multi) {
    std::lock_guard<std::mutex> lock(liveMutex);
    liveMultis.erase(std::remove(liveMultis.begin(), liveMultis.end(), multi), liveMultis.end());
}

bool mustEscape(unsigned char byte) {
    return byte <= 0x20 || byte >= 0x7f || std::strchr("\"<>\\^`{|}#", byte) != nullptr;
}

// The URL with every byte that cannot stand in one percent-escaped; all else as given.
std::string escapeUrl(const char* url) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(url); *p != 0; ++p) {
        if (mustEscape(*p)) {
            escaped += '%';
            escaped += hex[*p >> 4];
            escaped += hex[*p & 0x0f];
        } else {
            escaped += static_cast<char>(*p);
        }
    }
    return escaped;
}

bool startsWithNoCase(const char* text, size_t length, const char* prefix) {
    const size_t prefixLength = std::strlen(prefix);
    return length >= prefixLength && strncasecmp(text, prefix, prefixLength) == 0;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* request = static_cast<HttpRequest*>(user);
    const size_t total = size * count;
    ++request->events;
    size_t length = total;
    while (length > 0 && (data[length - 1] == '\r' || data[length - 1] == '\n')) {
        --length;
    }
    if (startsWithNoCase(data, length, "HTTP/")) {
        request->headerLines.clear();
        request->blockHasLocation = false;
        request->blockStatus = 0;
        const char* space = static_cast<const char*>(std::memchr(data, ' ', length));
        if (space != nullptr) {
            request->blockStatus = std::strtol(space + 1, nullptr, 10);
        }
        return total;
    }
    if (length == 0) {
        // The end of a header block. Interim responses and redirects that libcurl goes on to
        // follow are not the response the caller asked for.
        const bool interim = request->blockStatus < 200;
        const bool followed =
            request->blockStatus >= 300 && request->blockStatus < 400 && request->blockHasLocation;
        if (!interim && !followed) {
            request->headersIn = true;
        }
        return total;
    }
    if (startsWithNoCase(data, length, "Location:")) {
        request->blockHasLocation = true;
    }
    request->headerLines.emplace_back(data, length);
    return total;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* request = static_cast<HttpRequest*>(user);
    const size_t total = size * count;
    ++request->events;
    request->headersIn = true;
    if (request->begin == request->end) {
        request->begin = request->end = 0;
    }
    if (total > sizeof request->buffer - request->end) {
        // libcurl keeps the chunk and offers it again after httpRead unpauses the transfer.
        request->paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    std::memcpy(request->buffer + request->end, data, total);
    request->end += total;
    return total;
}

long limitOrDefault(long value, long fallback) {
    return value > 0 ? value : fallback;
}

// One step of the transfer: a perform, then a wait for socket activity only if the perform
// brought nothing. Never called while the transfer is paused: libcurl would then have no
// socket to watch and the wait would last its whole timeout.
void drive(HttpRequest* request) {
    const unsigned long before = request->events;
    int running = 0;
    const CurlLibrary* curl = request->curl;
    curl->multi_perform(request->multi, &running);
    int queued = 0;
    while (CURLMsg* message = curl->multi_info_read(request->multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == request->easy) {
            request->finished = true;
            request->result = message->data.result;
            ++request->events;
        }
    }
    if (request->events == before && !request->finished && !request->paused &&
        !cancelRaised.load()) {
        curl->multi_poll(request->multi, nullptr, 0, pollTimeoutMs, nullptr);
    }
}

void destroy(HttpRequest* request) {
    const CurlLibrary* curl = request->curl;
    if (request->multi != nullptr) {
        unregisterMulti(request->multi);
        if (request->easy != nullptr) {
            curl->multi_remove_handle(request->multi, request->easy);
        }
    }
    if (request->easy != nullptr) {
        curl->easy_cleanup(request->easy);
    }
    if (request->multi != nullptr) {
        curl->multi_cleanup(request->multi);
    }
    curl->slist_free_all(request->requestHeaders);
    delete request;
}

void configure(HttpRequest* request, const std::string& url, bool reload) {
    const CurlLibrary* curl = request->curl;
    CURL* easy = request->easy;
    const HttpLimits defaults;
    curl->easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl->easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl->easy_setopt(easy, CURLOPT_USERAGENT, agentName);
    curl->easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl->easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl->easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl->easy_setopt(easy, CURLOPT_MAXREDIRS, maxRedirects);
    curl->easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl->easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                      limitOrDefault(connectTimeoutMs.load(), defaults.connectTimeoutMs));
    curl->easy_setopt(easy, CURLOPT_TIMEOUT_MS,
                      limitOrDefault(totalTimeoutMs.load(), defaults.totalTimeoutMs));
    curl->easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl->easy_setopt(easy, CURLOPT_LOW_SPEED_TIME,
                      limitOrDefault(stallSeconds.load(), defaults.stallSeconds));
    curl->easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl->easy_setopt(easy, CURLOPT_HEADERDATA, request);
    curl->easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl->easy_setopt(easy, CURLOPT_WRITEDATA, request);
    curl->easy_setopt(easy, CURLOPT_SOCKOPTFUNCTION, onSocketOpened);
    if (reload) {
        request->requestHeaders =
            curl->slist_append(request->requestHeaders, "Cache-Control: no-cache");
        request->requestHeaders = curl->slist_append(request->requestHeaders, "Pragma: no-cache");
        curl->easy_setopt(easy, CURLOPT_HTTPHEADER, request->requestHeaders);
    }
}

}  // namespace

void httpGlobalInit() {
    curlLibrary();
}

HttpRequest* httpOpen(const char* url, bool reload) {
    if (url == nullptr || cancelRaised.load()) {
        return nullptr;
    }
    // Without libcurl no request can be made, as without a network.
    const CurlLibrary* curl = curlLibrary();
    if (curl == nullptr) {
        return nullptr;
    }
    auto* request = new HttpRequest;
    request->curl = curl;
    request->multi = curl->multi_init();
    request->easy = curl->easy_init();
    if (request->multi == nullptr || request->easy == nullptr) {
        destroy(request);
        return nullptr;
    }
    registerMulti(request->multi);
    configure(request, escapeUrl(url), reload);
    if (curl->multi_add_handle(request->multi, request->easy) != CURLM_OK) {
        destroy(request);
        return nullptr;
    }
    while (!request->headersIn && !request->finished && !cancelRaised.load()) {
        drive(request);
    }
    // A transfer that ended cleanly has had its headers, whatever the header lines said.
    const bool usable = !cancelRaised.load() &&
                        (request->headersIn || (request->finished && request->result == CURLE_OK));
    if (!usable) {
        destroy(request);
        return nullptr;
    }
    return request;
}

bool httpHeader(HttpRequest* request, const char* name, char* buffer, size_t size) {
    if (request == nullptr || name == nullptr || buffer == nullptr) {
        return false;
    }
    const size_t nameLength = std::strlen(name);
    for (const std::string& line : request->headerLines) {
        if (line.size() <= nameLength || line[nameLength] != ':' ||
            strncasecmp(line.c_str(), name, nameLength) != 0) {
            continue;
        }
        size_t first = nameLength + 1;
        size_t last = line.size();
        while (first < last && (line[first] == ' ' || line[first] == '\t')) {
            ++first;
        }
        while (last > first && (line[last - 1] == ' ' || line[last - 1] == '\t')) {
            --last;
        }
        const size_t length = last - first;
        if (length + 1 > size) {
            return false;
        }
        std::memcpy(buffer, line.data() + first, length);
        buffer[length] = '\0';
        return true;
    }
    return false;
}

int32_t httpRead(HttpRequest* request, char* buffer, int32_t size) {
    if (request == nullptr || buffer == nullptr || size <= 0) {
        return -1;
    }
    for (;;) {
        if (cancelRaised.load()) {
            return -1;
        }
        if (request->begin < request->end) {
            const size_t count = std::min(static_cast<size_t>(size), request->end - request->begin);
            std::memcpy(buffer, request->buffer + request->begin, count);
            request->begin += count;
            return static_cast<int32_t>(count);
        }
        if (request->paused) {
            // The buffer is empty, so the held chunk fits; libcurl may deliver it right here.
            request->paused = false;
            request->curl->easy_pause(request->easy, CURLPAUSE_CONT);
            continue;
        }
        if (request->finished) {
            return request->result == CURLE_OK ? 0 : -1;
        }
        drive(request);
    }
}

void httpClose(HttpRequest* request) {
    if (request != nullptr) {
        destroy(request);
    }
}

void httpCancelAll() {
    cancelRaised.store(true);
    std::lock_guard<std::mutex> lock(liveMutex);
    // A live handle means libcurl is loaded; with none, nothing is loaded for this.
    for (CURLM* multi : liveMultis) {
        loadedCurlLibrary()->multi_wakeup(multi);
    }
}

void httpResetCancel() {
    cancelRaised.store(false);
}

void setHttpLimits(const HttpLimits& limits) {
    connectTimeoutMs.store(limits.connectTimeoutMs);
    stallSeconds.store(limits.stallSeconds);
    totalTimeoutMs.store(limits.totalTimeoutMs);
}

HttpLimits httpLimits() {
    HttpLimits limits;
    limits.connectTimeoutMs = connectTimeoutMs.load();
    limits.stallSeconds = stallSeconds.load();
    limits.totalTimeoutMs = totalTimeoutMs.load();
    return limits;
}

}  // namespace nubivo
