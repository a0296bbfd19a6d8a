#include "hosts/core/host_server.h"

#include <httplib.h>
#include <pthread.h>
#include <sys/socket.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

#include "hosts/core/place_text.h"

namespace nubivo::host {

const char* programVersion() {
    return NUBIVO_VERSION;
}

std::string literalPattern(std::string_view path) {
    std::string pattern;
    for (char c : path) {
        if (c == '.')
            pattern += '\\';
        pattern += c;
    }
    return pattern;
}

void sendBytes(httplib::Response& response, const std::vector<uint8_t>& bytes,
               const char* contentType) {
    response.set_content(reinterpret_cast<const char*>(bytes.data()), bytes.size(), contentType);
}

void sendText(httplib::Response& response, int status, std::string_view text) {
    response.status = status;
    response.set_content(std::string(text) + "\n", "text/plain; charset=UTF-8");
}

std::string iconBaseFor(std::string_view host, std::string_view fallback) {
    bool plain = !host.empty() && host.size() <= 100;
    for (char c : host) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':' ||
                             c == '[' || c == ']';
        plain = plain && allowed;
    }
    return plain ? "http://" + std::string(host) : std::string(fallback);
}

bool isLoopbackHost(std::string_view host, int port) {
    char suffix[16];
    const int length = std::snprintf(suffix, sizeof suffix, ":%d", port);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof suffix)
        return false;
    const size_t size = static_cast<size_t>(length);
    if (host.size() <= size || host.substr(host.size() - size) != suffix)
        return false;
    const std::string name = asciiLower(host.substr(0, host.size() - size));
    return name == listenAddress || name == "localhost";
}

void acceptLoopbackOnly(httplib::Server& server) {
    server.set_pre_routing_handler(
        [](const httplib::Request& request, httplib::Response& response) {
            if (isLoopbackHost(request.get_header_value("Host"), request.local_port))
                return httplib::Server::HandlerResponse::Unhandled;
            sendText(response, 403, "This host answers only http://127.0.0.1 and http://localhost");
            return httplib::Server::HandlerResponse::Handled;
        });
}

void installPlainErrors(httplib::Server& server) {
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (!response.body.empty())
            return;
        const char* text = response.status == 404 ? "Not found\n" : "Error\n";
        response.set_content(text, "text/plain; charset=UTF-8");
    });
}

void blockStopSignals() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
}

void bindAlone(httplib::Server& server) {
    server.set_socket_options([](socket_t socket) {
        int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
}

int serveUntilSignalled(httplib::Server& server, int port, const char* program) {
    bindAlone(server);
    if (!server.bind_to_port(listenAddress, port)) {
        std::fprintf(stderr, "%s: cannot listen on %s:%d\n", program, listenAddress, port);
        return 1;
    }
    // SIGINT and SIGTERM are taken by a thread of their own, which stops the server cleanly.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    std::atomic<bool> signalled{false};
    std::thread stopper([&server, &signalled, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        signalled = true;
        server.stop();
    });
    std::printf("%s: serving on http://%s:%d\n", program, listenAddress, port);
    std::fflush(stdout);
    const bool served = server.listen_after_bind();
    if (!signalled) {
        // The server ended by itself: wake the signal thread so that it can end too.
        pthread_kill(stopper.native_handle(), SIGTERM);
    }
    stopper.join();
    return served || signalled ? 0 : 1;
}

}  // namespace nubivo::host
