#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nubivo::sample {

// The RSS document for `location`; `iconBase` is the scheme and host the icon URL starts
// with, e.g. "http://127.0.0.1:8642". Always under 4096 bytes.
std::string feedDocument(std::string_view location, bool metric, int64_t now,
                         std::string_view iconBase);

}  // namespace nubivo::sample
