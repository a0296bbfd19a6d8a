#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

#include "hosts/core/calendar.h"

namespace nubivo::live {

// The seconds to wait that a Retry-After header gives at `now`: a number of seconds, or an
// HTTP date; nullopt when it is neither. Never below 0 nor above a day.
std::optional<int64_t> retryAfterSeconds(std::string_view value, int64_t now);

// Whether one upstream service may be asked now. A 429 or 503 answer closes the gate until
// its Retry-After has passed, or, without one, for a backoff that starts at a minute and
// doubles with every further refusal up to a quarter of an hour; a good answer resets the
// backoff. Thread-safe.
class ServiceGate {
  public:
    explicit ServiceGate(host::Clock clock) : clock_(std::move(clock)) {}

    bool open();
    // The second at which the gate opens again (0 when it is open).
    int64_t closedUntil();
    void refused(std::optional<int64_t> retryAfter);
    void answered();

  private:
    host::Clock clock_;
    std::mutex mutex_;
    int64_t closedUntil_ = 0;
    int64_t backoff_ = 0;
};

}  // namespace nubivo::live
