#include "hosts/live/service_gate.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "hosts/live/json_fields.h"
#include "platform/http_date.h"

namespace nubivo::live {
namespace {

constexpr int64_t firstBackoff = 60;
constexpr int64_t longestBackoff = 900;
constexpr int64_t firstBriefBackoff = 5;
constexpr int64_t longestBriefBackoff = 60;
constexpr int64_t longestWait = 86400;

// The next start of a period of `seconds` after `now`.
int64_t nextStart(int64_t now, int64_t seconds) {
    return (host::floorDiv(now, seconds) + 1) * seconds;
}

// The next backoff after `backoff`: `first`, then doubled up to `longest`.
int64_t grown(int64_t backoff, int64_t first, int64_t longest) {
    return backoff == 0 ? first : std::min(backoff * 2, longest);
}

}  // namespace

LimitReached limitReached(std::string_view body) {
    const std::optional<Json> json = parseJson(body);
    const std::optional<std::string> reason = json ? stringAt(*json, "reason") : std::nullopt;
    if (!reason)
        return LimitReached::None;
    if (*reason == "Minutely API request limit exceeded. Please try again in one minute.")
        return LimitReached::Minute;
    if (*reason == "Hourly API request limit exceeded. Please try again in the next hour.")
        return LimitReached::Hour;
    if (*reason == "Daily API request limit exceeded. Please try again tomorrow.")
        return LimitReached::Day;
    if (*reason == "Too many concurrent requests")
        return LimitReached::Concurrent;
    return LimitReached::None;
}

std::optional<int64_t> retryAfterSeconds(std::string_view value, int64_t now) {
    while (!value.empty() && value.front() == ' ')
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\r'))
        value.remove_suffix(1);
    if (value.empty())
        return std::nullopt;
    if (value.find_first_not_of("0123456789") == std::string_view::npos) {
        if (value.size() > 9)
            return longestWait;
        return std::min<int64_t>(std::stoll(std::string(value)), longestWait);
    }
    SystemTime stamp{};
    if (!parseHttpDate(std::string(value).c_str(), &stamp))
        return std::nullopt;
    const int64_t at = host::daysFromCivil(stamp.year, stamp.month, stamp.day) * 86400 +
                       stamp.hour * 3600 + stamp.minute * 60 + stamp.second;
    return std::clamp<int64_t>(at - now, 0, longestWait);
}

bool ServiceGate::open() {
    return closedUntil() == 0;
}

int64_t ServiceGate::closedUntil() {
    const int64_t now = clock_();
    std::lock_guard<std::mutex> guard(mutex_);
    return closedUntil_ > now ? closedUntil_ : 0;
}

void ServiceGate::refused(std::optional<int64_t> retryAfter, LimitReached limit) {
    const int64_t now = clock_();
    std::lock_guard<std::mutex> guard(mutex_);
    int64_t until = now;
    if (retryAfter) {
        until = now + *retryAfter;
    } else if (limit == LimitReached::Minute) {
        until = nextStart(now, 60);
    } else if (limit == LimitReached::Hour) {
        until = nextStart(now, 3600);
    } else if (limit == LimitReached::Day) {
        until = nextStart(now, 86400);
    } else if (limit == LimitReached::Concurrent) {
        briefBackoff_ = grown(briefBackoff_, firstBriefBackoff, longestBriefBackoff);
        until = now + briefBackoff_;
    } else {
        backoff_ = grown(backoff_, firstBackoff, longestBackoff);
        until = now + backoff_;
    }
    closedUntil_ = std::max(closedUntil_, until);
}

void ServiceGate::answered() {
    std::lock_guard<std::mutex> guard(mutex_);
    backoff_ = 0;
    briefBackoff_ = 0;
}

}  // namespace nubivo::live
