#pragma once

#include <cstdint>

namespace nubivo::host {

// Reads a port number (1 to 65535) from `text`; false for anything else.
bool parsePort(const char* text, int* port);

// Reads a whole positive number of seconds (at most about 68 years) from `text`.
bool parseSeconds(const char* text, int64_t* seconds);

// The value of option `name` ("--port") at argv[*index], given as "--port 80" or
// "--port=80"; *index is moved past what was used. Null when argv[*index] is another
// option; `*missing` is set when it is this option without a value.
const char* optionValue(int argc, const char* const* argv, int* index, const char* name,
                        bool* missing);

}  // namespace nubivo::host
