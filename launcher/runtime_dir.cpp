#include "launcher/runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace nubivo::launcher {

bool prepareRuntimeDirectory(const std::string& path, std::string* error) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    // lstat: a symbolic link planted in /tmp by someone else is not our folder.
    if (lstat(path.c_str(), &info) != 0) {
        *error = "cannot look at " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
        *error = path + " is not a folder of this user's";
        return false;
    }
    if ((info.st_mode & 077) != 0) {
        *error = path + " is open to other users (it must be mode 0700)";
        return false;
    }
    return true;
}

std::string runtimeDirectory(std::string* error) {
    std::string path;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        path = std::string(runtime) + "/nubivo-weather";
    } else {
        path = "/tmp/nubivo-weather-" + std::to_string(getuid());
    }
    if (!prepareRuntimeDirectory(path, error)) {
        return std::string();
    }
    return path;
}

}  // namespace nubivo::launcher
