#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nubivo::bench {

// What one connection through the proxy carried towards the client.
struct ProxiedExchange {
    std::string requestLine;  // "GET /path HTTP/1.1", as the client sent it
    uint64_t bytesToClient = 0;
};

// A TCP relay on 127.0.0.1 that counts the bytes it hands to the client: every byte counted
// was accepted by the client's socket, so the count is what the client received, whether or
// not the program read it. Requests reach the upstream naming it in their Host header, as
// through a reverse proxy. One thread per connection; a connection ends when either side
// closes. Not copyable; the destructor stops everything.
class CountingProxy {
  public:
    // Relays to 127.0.0.1:`upstreamPort`; listens on a free port.
    explicit CountingProxy(int upstreamPort);
    ~CountingProxy();
    CountingProxy(const CountingProxy&) = delete;
    CountingProxy& operator=(const CountingProxy&) = delete;

    int port() const { return port_; }

    // Waits (at most 2 s) until every connection has ended, then hands over what they
    // carried and forgets them.
    std::vector<ProxiedExchange> takeExchanges();

  private:
    void acceptLoop();
    void relay(int client);

    int upstreamPort_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::thread> relays_;
    int open_ = 0;  // connections not yet ended, under mutex_
    std::vector<ProxiedExchange> done_;
};

}  // namespace nubivo::bench
