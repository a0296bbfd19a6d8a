#pragma once

#include <string>

#include "launcher/launch_options.h"

namespace nubivo::launcher {

// Where the launcher's programs and the viewer's data are, and where its locks go.
struct LaunchPaths {
    std::string hostProgram;
    std::string viewerProgram;
    std::string dataDir;
    std::string startLockPath;  // held while one launcher looks at the port and starts a host
    std::string usersLockPath;  // shared by every viewer started through the launcher
    std::string logPath;        // the output of the host the launcher starts
};

// The folder the running program lies in, from /proc/self/exe; empty when unknown.
std::string programDirectory();

// Fills in what the options left empty: the programs beside the launcher
// (`programDir`/nubivo-live-host or nubivo-sample-host, nubivo-weather-viewer), the data
// folder `programDir`/`dataRelative`, and the lock and log files in `runtimeDir`, named by
// the port so that hosts on different ports never share them.
LaunchPaths launchPaths(const LaunchOptions& options, const std::string& programDir,
                        const std::string& dataRelative, const std::string& runtimeDir);

// Makes sure a host answers on the port (starting a supervised one when nothing does), then
// becomes the viewer by exec, in the data folder, holding a shared lock on the users lock
// file for as long as it runs. Returns only on failure, with the exit status to end with
// after `error` has been printed.
int launchViewer(const LaunchOptions& options, const LaunchPaths& paths, std::string* error);

}  // namespace nubivo::launcher
