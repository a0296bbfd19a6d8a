#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <semaphore>
#include <string>
#include <vector>

#include "hosts/core/calendar.h"
#include "hosts/live/service_gate.h"

namespace nubivo::live {

// The services the host asks, each with a gate of its own: Open-Meteo's forecast and
// geocoding, NASA GIBS imagery, NOAA's GFS model grids and EUMETSAT's imagery.
enum class Service : int32_t {
    Forecast = 0,
    Geocoding = 1,
    Imagery = 2,
    ModelGrid = 3,
    Eumetsat = 4
};
inline constexpr int32_t serviceCount = 5;

// What a request asks beyond its URL.
struct UpstreamRequest {
    // Extra request headers, each "Name: value" (say "Range: bytes=0-99").
    std::vector<std::string> headers;
    // The longest body taken; 0 for the client's own limit. A longer body ends the transfer
    // there and the answer is not received.
    size_t maxBodyBytes = 0;
};

struct UpstreamAnswer {
    bool sent = false;      // a request went out (not held back by a gate, a limit or shutdown)
    bool received = false;  // a whole HTTP answer came (of any status)
    long status = 0;
    std::string contentType;  // lower case, parameters kept
    // The final answer's headers by lower-case name; a repeated header's values joined by
    // ", ".
    std::map<std::string, std::string> headers;
    std::string body;
    std::string error;  // why nothing usable came, for the log
};

// Bounded waits of every upstream request.
struct UpstreamLimits {
    long connectTimeoutMs = 4000;
    long totalTimeoutMs = 10000;
    long stallSeconds = 4;  // abort when under 1 byte/s for this long
    size_t maxBodyBytes = 4u * 1024u * 1024u;
};

// GET requests to the upstream services over libcurl: HTTPS with the system's certificate
// checks, a User-Agent of "nubivo-live-host/<version>", bounded time and size, at most
// `concurrency` requests in flight at once, and no request to a service whose gate is
// closed by a 429 or 503 answer (for its Retry-After, or until the limit its body names is
// reset: see ServiceGate). Thread-safe; curl_global_init must have run.
class UpstreamClient {
  public:
    UpstreamClient(host::Clock clock, UpstreamLimits limits = {}, int32_t concurrency = 4);
    ~UpstreamClient();

    UpstreamAnswer get(Service service, const std::string& url,
                       const UpstreamRequest& request = {});

    // Every request under way ends within about 100 ms, and later ones fail at once.
    void abortAll();

    ServiceGate& gate(Service service) { return *gates_[static_cast<int32_t>(service)]; }

  private:
    host::Clock clock_;
    UpstreamLimits limits_;
    std::counting_semaphore<64> slots_;
    std::atomic<bool> aborted_{false};
    std::unique_ptr<ServiceGate> gates_[serviceCount];
};

// "nubivo-live-host/1.0.0": the User-Agent the host sends.
std::string userAgent();

}  // namespace nubivo::live
