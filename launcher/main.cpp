// nubivo-weather: starts the viewer with a weather host behind it (the desktop menu's entry).
#include <cstdio>
#include <string>

#include "launcher/launch.h"
#include "launcher/launch_options.h"
#include "launcher/runtime_dir.h"
#include "project_values.h"

int main(int argc, char** argv) {
    using namespace nubivo::launcher;
    const ParseResult parsed = parseLaunchOptions(argc, argv);
    switch (parsed.outcome) {
        case ParseOutcome::Help:
            std::fputs(launcherUsage().c_str(), stdout);
            return 0;
        case ParseOutcome::Version:
            std::printf("nubivo-weather %s\n", nubivo::projectVersion);
            return 0;
        case ParseOutcome::Error:
            std::fprintf(stderr, "nubivo-weather: %s\n", parsed.error.c_str());
            std::fputs("Try 'nubivo-weather --help'.\n", stderr);
            return 2;
        case ParseOutcome::Launch:
            break;
    }
    std::string error;
    const std::string runtimeDir = runtimeDirectory(&error);
    if (runtimeDir.empty()) {
        std::fprintf(stderr, "nubivo-weather: %s\n", error.c_str());
        return 1;
    }
    const LaunchPaths paths =
        launchPaths(parsed.options, programDirectory(), NUBIVO_DATA_RELATIVE, runtimeDir);
    const int status = launchViewer(parsed.options, paths, &error);
    std::fprintf(stderr, "nubivo-weather: %s\n", error.c_str());
    return status;
}
