#include "hosts/live/upstream_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>

#include "hosts/core/host_server.h"
#include "hosts/core/place_text.h"

namespace nubivo::live {
namespace {

struct Transfer {
    std::string body;
    std::map<std::string, std::string> headers;
    size_t limit = 0;
    bool tooLong = false;
    const std::atomic<bool>* aborted = nullptr;
};

size_t onBody(char* data, size_t size, size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    const size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->limit) {
        transfer->tooLong = true;
        return 0;  // ends the transfer
    }
    transfer->body.append(data, bytes);
    return bytes;
}

// Headers beyond these are not kept: an answer cannot grow the map without bound.
constexpr size_t maxHeaders = 64;
constexpr size_t maxHeaderBytes = 4096;

size_t onHeader(char* data, size_t size, size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    const std::string_view line(data, size * count);
    // A redirect's headers come first: only the last answer's count.
    if (line.rfind("HTTP/", 0) == 0) {
        transfer->headers.clear();
        return size * count;
    }
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0 || line.size() > maxHeaderBytes)
        return size * count;
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' '))
        value.remove_suffix(1);
    const std::string name = host::asciiLower(line.substr(0, colon));
    const auto found = transfer->headers.find(name);
    if (found != transfer->headers.end()) {
        if (found->second.size() + value.size() < maxHeaderBytes)
            found->second.append(", ").append(value);
    } else if (transfer->headers.size() < maxHeaders) {
        transfer->headers.emplace(name, std::string(value));
    }
    return size * count;
}

std::string headerOf(const Transfer& transfer, const char* name) {
    const auto found = transfer.headers.find(name);
    return found == transfer.headers.end() ? std::string() : found->second;
}

int onProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* transfer = static_cast<const Transfer*>(context);
    return transfer->aborted->load() ? 1 : 0;
}

}  // namespace

std::string userAgent() {
    return std::string("nubivo-live-host/") + host::programVersion();
}

UpstreamClient::UpstreamClient(host::Clock clock, UpstreamLimits limits, int32_t concurrency)
    : clock_(std::move(clock)), limits_(limits), slots_(std::clamp(concurrency, 1, 64)) {
    for (auto& gate : gates_)
        gate = std::make_unique<ServiceGate>(clock_);
}

UpstreamClient::~UpstreamClient() = default;

void UpstreamClient::abortAll() {
    aborted_ = true;
}

UpstreamAnswer UpstreamClient::get(Service service, const std::string& url,
                                   const UpstreamRequest& request) {
    UpstreamAnswer answer;
    ServiceGate& serviceGate = gate(service);
    if (aborted_) {
        answer.error = "shutting down";
        return answer;
    }
    if (!serviceGate.open()) {
        answer.error =
            "the service asked to wait until " + host::httpDate(serviceGate.closedUntil());
        return answer;
    }
    // A request that cannot start within its own time limit does not start at all.
    if (!slots_.try_acquire_for(std::chrono::milliseconds(limits_.totalTimeoutMs))) {
        answer.error = "too many requests under way";
        return answer;
    }
    struct SlotRelease {
        std::counting_semaphore<64>& slots;
        ~SlotRelease() { slots.release(); }
    } release{slots_};

    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        answer.error = "no transfer handle";
        return answer;
    }
    Transfer transfer;
    transfer.limit = request.maxBodyBytes != 0 ? request.maxBodyBytes : limits_.maxBodyBytes;
    transfer.aborted = &aborted_;
    const std::string agent = userAgent();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, limits_.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limits_.totalTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits_.stallSeconds);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_slist* headers = nullptr;
    for (const std::string& header : request.headers)
        headers = curl_slist_append(headers, header.c_str());
    if (headers != nullptr)
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

    answer.sent = true;
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);

    answer.status = status;
    if (status == 429 || status == 503) {
        serviceGate.refused(retryAfterSeconds(headerOf(transfer, "retry-after"), clock_()),
                            limitReached(transfer.body));
    }
    if (code != CURLE_OK) {
        answer.error = transfer.tooLong ? "answer too long" : curl_easy_strerror(code);
        return answer;
    }
    answer.received = true;
    answer.contentType = host::asciiLower(headerOf(transfer, "content-type"));
    answer.headers = std::move(transfer.headers);
    answer.body = std::move(transfer.body);
    if (status >= 200 && status < 300) {
        serviceGate.answered();
    } else {
        answer.error = "HTTP status " + std::to_string(status);
    }
    return answer;
}

}  // namespace nubivo::live
