#include "hosts/live/service_gate.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/http_date.h"

namespace nubivo::live {
namespace {

constexpr int64_t firstBackoff = 60;
constexpr int64_t longestBackoff = 900;
constexpr int64_t longestWait = 86400;

}  // namespace

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

void ServiceGate::refused(std::optional<int64_t> retryAfter) {
    const int64_t now = clock_();
    std::lock_guard<std::mutex> guard(mutex_);
    int64_t wait = 0;
    if (retryAfter) {
        wait = *retryAfter;
    } else {
        backoff_ = backoff_ == 0 ? firstBackoff : std::min(backoff_ * 2, longestBackoff);
        wait = backoff_;
    }
    closedUntil_ = std::max(closedUntil_, now + wait);
}

void ServiceGate::answered() {
    std::lock_guard<std::mutex> guard(mutex_);
    backoff_ = 0;
}

}  // namespace nubivo::live
