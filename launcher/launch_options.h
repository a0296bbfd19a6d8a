#pragma once

#include <string>
#include <vector>

#include "project_values.h"

namespace nubivo::launcher {

// How long a host the launcher started may take to answer, in seconds, unless told.
constexpr double defaultWaitSeconds = 5.0;

// What the command line asks for. Paths left empty are found beside the launcher.
struct LaunchOptions {
    bool sample = false;         // start the sample host instead of the live host
    int port = defaultHostPort;  // port on 127.0.0.1 the host answers on
    std::string hostProgram;
    std::string viewerProgram;
    std::string dataDir;  // the folder the viewer runs in (where Countries/ lies)
    double waitSeconds = defaultWaitSeconds;
    std::vector<std::string> viewerArguments;  // everything after "--"
};

enum class ParseOutcome { Launch, Help, Version, Error };

struct ParseResult {
    ParseOutcome outcome = ParseOutcome::Launch;
    LaunchOptions options;
    std::string error;  // for Error: what was wrong, one line
};

// Reads the launcher's command line (argv[0] excluded from the options). Both "--name value"
// and "--name=value" are taken; a port must be 1 to 65535 and a wait 0.1 to 600 seconds.
ParseResult parseLaunchOptions(int argc, const char* const* argv);

// The --help text.
std::string launcherUsage();

}  // namespace nubivo::launcher
