#pragma once

#include <string>

namespace nubivo::launcher {

// The folder for the launcher's lock files and the host's log: "nubivo-weather" under
// $XDG_RUNTIME_DIR when that is an absolute path, otherwise /tmp/nubivo-weather-UID. Made
// with mode 0700 when missing. Refused (empty result, `error` set) when it is not a real
// directory owned by this user and closed to everyone else, so no other user can hold or
// replace the locks.
std::string runtimeDirectory(std::string* error);

// The same check and creation for a given folder.
bool prepareRuntimeDirectory(const std::string& path, std::string* error);

}  // namespace nubivo::launcher
