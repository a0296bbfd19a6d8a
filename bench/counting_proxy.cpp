#include "bench/counting_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>

namespace nubivo::bench {
namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Writes all of `data`; false when the peer has gone. Returns through `sent` what the peer's
// socket took.
bool sendAll(int socket, const char* data, size_t size, uint64_t* sent) {
    while (size > 0) {
        ssize_t written = send(socket, data, size, MSG_NOSIGNAL);
        if (written <= 0) {
            return false;
        }
        *sent += static_cast<uint64_t>(written);
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

CountingProxy::CountingProxy(int upstreamPort) : upstreamPort_(upstreamPort) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("counting proxy: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

CountingProxy::~CountingProxy() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    close(listener_);
    std::vector<std::thread> relays;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        relays.swap(relays_);
    }
    for (std::thread& relay : relays) {
        relay.join();
    }
}

void CountingProxy::acceptLoop() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, 100) <= 0) {
            continue;
        }
        int client = accept(listener_, nullptr, nullptr);
        if (client < 0) {
            continue;
        }
        // A send returns once the bytes are in this socket's buffer, not in the client's: a
        // small buffer keeps the count close to what the client took before it closed.
        const int sendBuffer = 4096;
        setsockopt(client, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
        std::lock_guard<std::mutex> guard(mutex_);
        ++open_;
        relays_.emplace_back([this, client] { relay(client); });
    }
}

void CountingProxy::relay(int client) {
    ProxiedExchange exchange;
    int upstream = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(upstreamPort_);
    if (upstream >= 0 &&
        connect(upstream, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        char buffer[16384];
        const std::string ownHost = "Host: 127.0.0.1:" + std::to_string(port_) + "\r\n";
        const std::string upstreamHost =
            "Host: 127.0.0.1:" + std::to_string(upstreamPort_) + "\r\n";
        pollfd ends[2] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}};
        bool open = true;
        while (open && !stopping_) {
            if (poll(ends, 2, 100) <= 0) {
                continue;
            }
            if (ends[0].revents != 0) {
                ssize_t got = recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    break;
                }
                if (exchange.requestLine.empty()) {
                    const char* start = buffer;
                    const char* end = static_cast<const char*>(
                        std::memchr(start, '\r', static_cast<size_t>(got)));
                    exchange.requestLine.assign(start, end != nullptr ? end : start + got);
                }
                // The host answers only requests that name it, as a reverse proxy would.
                std::string request(buffer, static_cast<size_t>(got));
                for (size_t at = request.find(ownHost); at != std::string::npos;
                     at = request.find(ownHost, at + upstreamHost.size())) {
                    request.replace(at, ownHost.size(), upstreamHost);
                }
                uint64_t ignored = 0;
                open = sendAll(upstream, request.data(), request.size(), &ignored);
            }
            if (open && ends[1].revents != 0) {
                ssize_t got = recv(upstream, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    break;
                }
                open = sendAll(client, buffer, static_cast<size_t>(got), &exchange.bytesToClient);
            }
        }
    }
    if (upstream >= 0) {
        close(upstream);
    }
    close(client);
    std::lock_guard<std::mutex> guard(mutex_);
    done_.push_back(std::move(exchange));
    --open_;
}

std::vector<ProxiedExchange> CountingProxy::takeExchanges() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    std::unique_lock<std::mutex> lock(mutex_);
    while (open_ > 0 && std::chrono::steady_clock::now() < deadline) {
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        lock.lock();
    }
    std::vector<ProxiedExchange> taken;
    taken.swap(done_);
    std::vector<std::thread> ended;
    if (open_ == 0) {
        // Every relay has ended, so their threads join at once.
        ended.swap(relays_);
    }
    lock.unlock();
    for (std::thread& relay : ended) {
        relay.join();
    }
    return taken;
}

}  // namespace nubivo::bench
