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

// The limit a refusal names in its body. Open-Meteo answers a 429 without Retry-After, with
// one of four exact reasons in its JSON body: a minutely, hourly or daily limit reached (its
// counters are emptied at the start of each minute, of each UTC hour and at 00:00 UTC), or
// too many requests of this address in flight.
enum class LimitReached { None, Minute, Hour, Day, Concurrent };
LimitReached limitReached(std::string_view body);

// Whether one upstream service may be asked now. A 429 or 503 answer closes the gate until
// its Retry-After has passed; without one, until the limit its body names is reset (the next
// whole minute, the next whole UTC hour, 00:00 UTC), after too many concurrent requests for a
// short backoff (5 s doubling up to a minute), and otherwise for a backoff that starts at a
// minute and doubles with every further refusal up to a quarter of an hour. A good answer
// resets both backoffs. Thread-safe.
class ServiceGate {
  public:
    explicit ServiceGate(host::Clock clock) : clock_(std::move(clock)) {}

    bool open();
    // The second at which the gate opens again (0 when it is open).
    int64_t closedUntil();
    void refused(std::optional<int64_t> retryAfter, LimitReached limit = LimitReached::None);
    void answered();

  private:
    host::Clock clock_;
    std::mutex mutex_;
    int64_t closedUntil_ = 0;
    int64_t backoff_ = 0;
    int64_t briefBackoff_ = 0;
};

}  // namespace nubivo::live
