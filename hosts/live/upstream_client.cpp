#include "hosts/live/upstream_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>

#include "hosts/core/host_server.h"

namespace nubivo::live {
namespace {

struct Transfer {
    std::string body;
    std::string contentType;
    std::string retryAfter;
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

// The value of header `name` in `line` ("Name: value\r\n"), lower-cased name compared.
bool headerValue(std::string_view line, std::string_view name, std::string* value) {
    if (line.size() <= name.size() || line[name.size()] != ':')
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(line[i])) != name[i])
            return false;
    }
    std::string_view rest = line.substr(name.size() + 1);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
        rest.remove_prefix(1);
    while (!rest.empty() && (rest.back() == '\r' || rest.back() == '\n' || rest.back() == ' '))
        rest.remove_suffix(1);
    *value = std::string(rest);
    return true;
}

size_t onHeader(char* data, size_t size, size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    const std::string_view line(data, size * count);
    // A redirect's headers come first: only the last answer's count.
    if (line.rfind("HTTP/", 0) == 0) {
        transfer->contentType.clear();
        transfer->retryAfter.clear();
    }
    if (headerValue(line, "content-type", &transfer->contentType)) {
        std::transform(transfer->contentType.begin(), transfer->contentType.end(),
                       transfer->contentType.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    headerValue(line, "retry-after", &transfer->retryAfter);
    return size * count;
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

int64_t UpstreamClient::requestsSent(Service service) const {
    return sent_[static_cast<int32_t>(service)].load();
}

UpstreamAnswer UpstreamClient::get(Service service, const std::string& url) {
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
    transfer.limit = limits_.maxBodyBytes;
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

    sent_[static_cast<int32_t>(service)] += 1;
    answer.sent = true;
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);

    answer.status = status;
    if (status == 429 || status == 503) {
        serviceGate.refused(retryAfterSeconds(transfer.retryAfter, clock_()));
    }
    if (code != CURLE_OK) {
        answer.error = transfer.tooLong ? "answer too long" : curl_easy_strerror(code);
        return answer;
    }
    answer.received = true;
    answer.contentType = std::move(transfer.contentType);
    answer.body = std::move(transfer.body);
    if (status >= 200 && status < 300) {
        serviceGate.answered();
    } else {
        answer.error = "HTTP status " + std::to_string(status);
    }
    return answer;
}

}  // namespace nubivo::live
