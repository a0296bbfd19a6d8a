#pragma once

#include <cstddef>
#include <cstdint>

namespace nubivo {

// A pull-style HTTP GET over libcurl: open, read response headers, read the body in pieces,
// close. Every request sends the agent name "Nubivo Weather Viewer", takes proxy settings
// from the environment, follows at most 5 redirects and speaks only http and https.
// libcurl is opened at the first request, not at program start; where it cannot be loaded,
// every request fails as without a network (said once on standard error).
struct HttpRequest;

// Opens and initialises libcurl now rather than at the first request; later calls do
// nothing. Optional, from any thread.
void httpGlobalInit();

// Opens a GET of the absolute `url` and returns once the response headers are in, or null
// when the request could not be made (bad URL, no connection, cancelled, time limit).
// Bytes that cannot stand in a URL (space, controls, bytes from 0x80, " < > \ ^ ` { | } #)
// are percent-escaped here. `reload` sends no-cache request headers.
HttpRequest* httpOpen(const char* url, bool reload);

// Copies the value of response header `name` (any letter case) with a NUL into `buffer`.
// False (buffer untouched) for a null request, a missing header or one that does not fit.
bool httpHeader(HttpRequest* request, const char* name, char* buffer, size_t size);

// Reads at most `size` (at most 4096) body bytes into `buffer`: the count read, 0 at the end
// of the body, -1 on failure (also for a null request). A 0 or -1 ends the body.
int32_t httpRead(HttpRequest* request, char* buffer, int32_t size);

// Ends the request without transferring the rest of the body. Null is allowed.
void httpClose(HttpRequest* request);

// From any thread: every transfer under way aborts within 100 ms, and every later open fails,
// until httpResetCancel(). Used at shutdown.
void httpCancelAll();
void httpResetCancel();

// Bounded waits of every request; tests may lower them.
struct HttpLimits {
    long connectTimeoutMs = 10000;
    long stallSeconds = 30;  // abort when under 1 byte/s for this long
    long totalTimeoutMs = 60000;
};
void setHttpLimits(const HttpLimits& limits);
HttpLimits httpLimits();

}  // namespace nubivo
