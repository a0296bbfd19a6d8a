#include "hosts/core/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace nubivo::host {

bool parsePort(const char* text, int* port) {
    if (text[0] < '0' || text[0] > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < 1 || value > 65535)
        return false;
    *port = static_cast<int>(value);
    return true;
}

bool parseSeconds(const char* text, int64_t* seconds) {
    if (text[0] < '0' || text[0] > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (*end != '\0' || errno != 0 || value < 1 || value > INT32_MAX)
        return false;
    *seconds = value;
    return true;
}

const char* optionValue(int argc, const char* const* argv, int* index, const char* name,
                        bool* missing) {
    const char* arg = argv[*index];
    const size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0)
        return nullptr;
    if (arg[length] == '=')
        return arg + length + 1;
    if (arg[length] != '\0')
        return nullptr;
    if (*index + 1 >= argc) {
        *missing = true;
        return nullptr;
    }
    *index += 1;
    return argv[*index];
}

}  // namespace nubivo::host
