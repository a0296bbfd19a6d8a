#pragma once

#include <httplib.h>

#include <string>
#include <thread>

namespace nubivo::test {

// Serves an httplib server whose routes are installed already on 127.0.0.1 at a free port,
// from a thread of its own, until this object goes.
class ServedServer {
  public:
    explicit ServedServer(httplib::Server& server);
    ~ServedServer();
    ServedServer(const ServedServer&) = delete;
    ServedServer& operator=(const ServedServer&) = delete;

    int port() const { return port_; }
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // A GET of `path` on the server, on a connection of its own.
    httplib::Result get(const std::string& path) const;

  private:
    httplib::Server& server_;
    std::thread thread_;
    int port_ = -1;
};

}  // namespace nubivo::test
