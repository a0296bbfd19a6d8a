#include "support/served_server.h"

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace nubivo::test {

ServedServer::ServedServer(httplib::Server& server) : server_(server) {
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("ServedServer: bind on 127.0.0.1 failed");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() only takes effect once the accept loop runs: wait for it, so that a server
    // destroyed at once still shuts down.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_.is_running()) {
        if (std::chrono::steady_clock::now() > deadline)
            std::abort();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

ServedServer::~ServedServer() {
    server_.stop();
    thread_.join();
}

httplib::Result ServedServer::get(const std::string& path) const {
    httplib::Client client("127.0.0.1", port_);
    return client.Get(path.c_str());
}

}  // namespace nubivo::test
