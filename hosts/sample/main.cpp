// nubivo-sample-host: a local weather feed and image host for the viewer, with made-up
// weather that works offline.

#include <httplib.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "hosts/core/command_line.h"
#include "hosts/core/host_server.h"
#include "hosts/sample/sample_server.h"
#include "project_values.h"

namespace {

constexpr const char* program = "nubivo-sample-host";

void printUsage(std::FILE* to) {
    std::fprintf(to,
                 "Usage: %s [--port N] [--help] [--version]\n"
                 "Serves a made-up weather feed, its icons and the map pictures on "
                 "http://%s:N (N is %d unless given).\n",
                 program, nubivo::host::listenAddress, nubivo::defaultHostPort);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace nubivo;
    int port = defaultHostPort;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            printUsage(stdout);
            return 0;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("%s %s\n", program, projectVersion);
            return 0;
        }
        bool missing = false;
        const char* value = host::optionValue(argc, argv, &i, "--port", &missing);
        if (value == nullptr || !host::parsePort(value, &port)) {
            std::fprintf(stderr, "%s: bad argument '%s'\n", program, arg);
            printUsage(stderr);
            return 2;
        }
    }

    host::blockStopSignals();
    const std::string base =
        std::string("http://") + host::listenAddress + ":" + std::to_string(port);
    sample::SampleHost sampleHost(host::systemSeconds, base);
    httplib::Server server;
    sampleHost.install(server);
    return host::serveUntilSignalled(server, port, program);
}
