#include "launcher/launch_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "hosts/core/command_line.h"

namespace nubivo::launcher {
namespace {

bool parseWaitSeconds(const char* text, double* seconds) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(value) || value < 0.1 ||
        value > 600.0) {
        return false;
    }
    *seconds = value;
    return true;
}

ParseResult failure(std::string message) {
    ParseResult result;
    result.outcome = ParseOutcome::Error;
    result.error = std::move(message);
    return result;
}

}  // namespace

ParseResult parseLaunchOptions(int argc, const char* const* argv) {
    ParseResult result;
    LaunchOptions& o = result.options;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--") == 0) {
            o.viewerArguments.assign(argv + i + 1, argv + argc);
            break;
        }
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            result.outcome = ParseOutcome::Help;
            return result;
        }
        if (std::strcmp(arg, "--version") == 0) {
            result.outcome = ParseOutcome::Version;
            return result;
        }
        if (std::strcmp(arg, "--sample") == 0) {
            o.sample = true;
            continue;
        }
        bool missing = false;
        const char* value = nullptr;
        if ((value = host::optionValue(argc, argv, &i, "--port", &missing)) != nullptr) {
            if (!host::parsePort(value, &o.port)) {
                return failure(std::string("bad port '") + value + "' (1 to 65535)");
            }
        } else if ((value = host::optionValue(argc, argv, &i, "--host", &missing)) != nullptr) {
            o.hostProgram = value;
        } else if ((value = host::optionValue(argc, argv, &i, "--viewer", &missing)) != nullptr) {
            o.viewerProgram = value;
        } else if ((value = host::optionValue(argc, argv, &i, "--data-dir", &missing)) != nullptr) {
            o.dataDir = value;
        } else if ((value = host::optionValue(argc, argv, &i, "--wait", &missing)) != nullptr) {
            if (!parseWaitSeconds(value, &o.waitSeconds)) {
                return failure(std::string("bad wait '") + value + "' (0.1 to 600 seconds)");
            }
        } else if (missing) {
            return failure(std::string("option '") + arg + "' needs a value");
        } else {
            return failure(std::string("unknown option '") + arg + "'");
        }
        if (value != nullptr && *value == '\0') {
            return failure(std::string("option '") + arg + "' needs a value");
        }
    }
    return result;
}

std::string launcherUsage() {
    const std::string port = std::to_string(defaultHostPort);
    return "Usage: nubivo-weather [--sample] [OPTION]... [-- VIEWER-ARGUMENT...]\n"
           "Starts the NubivoWeather Viewer with a weather host behind it.\n"
           "\n"
           "When nothing answers on 127.0.0.1:" +
           port +
           ", starts nubivo-live-host (real weather)\n"
           "or, with --sample, nubivo-sample-host (made-up weather, works offline) in the\n"
           "background, waits until it answers, and runs nubivo-weather-viewer. A host\n"
           "started this way ends a moment after the last viewer started this way ends; a\n"
           "host that was already answering is used as it is and never stopped.\n"
           "\n"
           "  --sample            start the sample host instead of the live host\n"
           "  --port N            the host's port on 127.0.0.1 (default " +
           port +
           "; the viewer\n"
           "                      itself always asks " +
           port +
           ")\n"
           "  --host PROGRAM      the host program to start (default: the live or sample\n"
           "                      host beside this program)\n"
           "  --viewer PROGRAM    the viewer to run (default: nubivo-weather-viewer beside\n"
           "                      this program)\n"
           "  --data-dir DIR      the folder to run the viewer in, holding Countries/\n"
           "                      (default: the installed data folder)\n"
           "  --wait SECONDS      how long a started host may take to answer (default 5)\n"
           "  --help              show this help and exit\n"
           "  --version           show the version and exit\n";
}

}  // namespace nubivo::launcher
