#include "launcher/launch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "launcher/file_lock.h"
#include "launcher/host_probe.h"
#include "launcher/host_supervisor.h"

namespace nubivo::launcher {
namespace {

// How long one look at the port may take.
constexpr int probeTimeoutMs = 1000;

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string programDirectory() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return std::string();
    }
    std::string program(path, static_cast<size_t>(length));
    const size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

LaunchPaths launchPaths(const LaunchOptions& options, const std::string& programDir,
                        const std::string& dataRelative, const std::string& runtimeDir) {
    LaunchPaths paths;
    const char* host = options.sample ? "nubivo-sample-host" : "nubivo-live-host";
    paths.hostProgram = options.hostProgram.empty() ? programDir + "/" + host : options.hostProgram;
    paths.viewerProgram = options.viewerProgram.empty() ? programDir + "/nubivo-weather-viewer"
                                                        : options.viewerProgram;
    paths.dataDir = options.dataDir.empty() ? programDir + "/" + dataRelative : options.dataDir;
    const std::string stem = runtimeDir + "/port-" + std::to_string(options.port);
    paths.startLockPath = stem + ".start.lock";
    paths.usersLockPath = stem + ".users.lock";
    paths.logPath = stem + ".host.log";
    return paths;
}

int launchViewer(const LaunchOptions& options, const LaunchPaths& paths, std::string* error) {
    if (!isExecutableFile(paths.viewerProgram)) {
        *error = "cannot find the viewer: " + paths.viewerProgram + " is not an executable file";
        return 1;
    }

    // One launcher at a time looks at the port and starts a host: two started together must
    // not start two hosts.
    LockFile startLock;
    LockFile users;
    if (!startLock.open(paths.startLockPath, error) || !startLock.lockExclusive() ||
        !users.open(paths.usersLockPath, error)) {
        if (error->empty()) {
            *error = "cannot lock " + paths.startLockPath + ": " + std::strerror(errno);
        }
        return 1;
    }
    // Waits while a supervisor holds it exclusively, stopping its host: afterwards the port
    // is free and a new host can be started.
    if (!users.lockShared()) {
        *error = "cannot lock " + paths.usersLockPath + ": " + std::strerror(errno);
        return 1;
    }

    if (!hostAnswers(options.port, probeTimeoutMs)) {
        if (!isExecutableFile(paths.hostProgram)) {
            *error = "nothing answers on 127.0.0.1:" + std::to_string(options.port) +
                     " and the host cannot be started: " + paths.hostProgram +
                     " is not an executable file";
            return 1;
        }
        HostStart start;
        start.hostProgram = paths.hostProgram;
        start.port = options.port;
        start.usersLockPath = paths.usersLockPath;
        start.logPath = paths.logPath;
        start.waitSeconds = options.waitSeconds;
        if (!startSupervisedHost(start, error)) {
            return 1;
        }
    }
    startLock.unlock();

    if (!isDirectory(paths.dataDir) || chdir(paths.dataDir.c_str()) != 0) {
        // The viewer still works; only its country lists stay empty.
        std::fprintf(stderr, "nubivo-weather: no data folder %s; the country list will be empty\n",
                     paths.dataDir.c_str());
    }
    if (!users.keepAcrossExec()) {
        *error = std::string("cannot pass the viewer its lock: ") + std::strerror(errno);
        return 1;
    }
    std::vector<const char*> argv;
    argv.push_back(paths.viewerProgram.c_str());
    for (const std::string& argument : options.viewerArguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    execv(argv[0], const_cast<char* const*>(argv.data()));
    *error = "cannot run " + paths.viewerProgram + ": " + std::strerror(errno);
    return 127;
}

}  // namespace nubivo::launcher
