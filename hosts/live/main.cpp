// nubivo-live-host: the weather viewer's feed and maps with real weather from keyless public
// services (Open-Meteo forecasts and place search, NASA GIBS and EUMETSAT imagery, NOAA's GFS
// model).

#include <curl/curl.h>
#include <httplib.h>

#include <cstdio>
#include <string>

#include "hosts/core/host_server.h"
#include "hosts/live/live_host.h"
#include "hosts/live/live_options.h"
#include "project_values.h"

int main(int argc, char** argv) {
    using namespace nubivo;
    live::LiveConfig config;
    std::string error;
    switch (live::parseCommandLine(argc, argv, &config, &error)) {
        case live::CommandLine::Help:
            std::fputs(live::usageText().c_str(), stdout);
            return 0;
        case live::CommandLine::Version:
            std::printf("nubivo-live-host %s\n", projectVersion);
            return 0;
        case live::CommandLine::Bad:
            std::fprintf(stderr, "nubivo-live-host: %s\nTry 'nubivo-live-host --help'.\n",
                         error.c_str());
            return 2;
        case live::CommandLine::Run:
            break;
    }

    // Before any thread exists.
    host::blockStopSignals();
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        std::fprintf(stderr, "nubivo-live-host: the network library cannot start\n");
        return 1;
    }
    int status = 0;
    {
        live::LiveHost liveHost(config, host::systemSeconds);
        httplib::Server server;
        // Answers may wait for upstream: enough threads that other answers need not.
        server.new_task_queue = [] { return new httplib::ThreadPool(16); };
        liveHost.install(server);
        if (!config.cacheFolder.empty())
            std::printf("nubivo-live-host: keeping its cache in %s\n", config.cacheFolder.c_str());
        status = host::serveUntilSignalled(server, config.port, "nubivo-live-host");
    }
    curl_global_cleanup();
    return status;
}
