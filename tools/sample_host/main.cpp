// nubivo-sample-host: a local weather feed and image host for the viewer.

#include <httplib.h>
#include <pthread.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tools/sample_host/sample_server.h"

namespace {

constexpr const char* listenAddress = "127.0.0.1";
constexpr int defaultPort = 8642;

void printUsage(std::FILE* to) {
    std::fprintf(to,
                 "Usage: nubivo-sample-host [--port N] [--help] [--version]\n"
                 "Serves a made-up weather feed, its icons and the map pictures on "
                 "http://%s:N (N is %d unless given).\n",
                 listenAddress, defaultPort);
}

// Reads a port number (1 to 65535) from `text`; false for anything else.
bool parsePort(const char* text, int* port) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 65535)
        return false;
    *port = static_cast<int>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int port = defaultPort;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            printUsage(stdout);
            return 0;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("nubivo-sample-host %s\n", NUBIVO_VERSION);
            return 0;
        }
        const char* value = nullptr;
        if (std::strcmp(arg, "--port") == 0 && i + 1 < argc) {
            value = argv[++i];
        } else if (std::strncmp(arg, "--port=", 7) == 0) {
            value = arg + 7;
        }
        if (value == nullptr || !parsePort(value, &port)) {
            std::fprintf(stderr, "nubivo-sample-host: bad argument '%s'\n", arg);
            printUsage(stderr);
            return 2;
        }
    }

    // SIGINT and SIGTERM are taken by a thread of their own, which stops the server cleanly.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const std::string base = std::string("http://") + listenAddress + ":" + std::to_string(port);
    nubivo::sample::SampleHost host(nubivo::sample::systemSeconds, base);
    httplib::Server server;
    host.install(server);
    if (!server.bind_to_port(listenAddress, port)) {
        std::fprintf(stderr, "nubivo-sample-host: cannot listen on %s:%d\n", listenAddress, port);
        return 1;
    }

    std::atomic<bool> signalled{false};
    std::thread stopper([&server, &signalled, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        signalled = true;
        server.stop();
    });
    std::printf("nubivo-sample-host: serving on %s\n", base.c_str());
    std::fflush(stdout);
    const bool served = server.listen_after_bind();
    if (!signalled) {
        // The server ended by itself: wake the signal thread so that it can end too.
        pthread_kill(stopper.native_handle(), SIGTERM);
    }
    stopper.join();
    return served ? 0 : 1;
}
