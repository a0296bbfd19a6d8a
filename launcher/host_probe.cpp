#include "launcher/host_probe.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace nubivo::launcher {
namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, at least 0.
int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd` until `deadline`; false on timeout or error.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, remainingMs(deadline));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

class Socket {
  public:
    Socket() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {}
    ~Socket() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

bool hostAnswers(int port, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Socket socket;
    if (socket.fd() < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS || !waitFor(socket.fd(), POLLOUT, deadline)) {
            return false;
        }
        int failure = 0;
        socklen_t length = sizeof failure;
        if (getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &failure, &length) != 0 || failure != 0) {
            return false;
        }
    }
    // Named as the hosts want to be named, so that they answer rather than refuse.
    char request[64];
    const int length = std::snprintf(request, sizeof request,
                                     "HEAD / HTTP/1.0\r\nHost: 127.0.0.1:%d\r\n\r\n", port);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof request) {
        return false;
    }
    const size_t size = static_cast<size_t>(length);
    size_t sent = 0;
    while (sent < size) {
        const ssize_t n = send(socket.fd(), request + sent, size - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            if (!waitFor(socket.fd(), POLLOUT, deadline)) {
                return false;
            }
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    char reply[5];
    size_t got = 0;
    while (got < sizeof reply) {
        const ssize_t n = recv(socket.fd(), reply + got, sizeof reply - got, 0);
        if (n > 0) {
            got += static_cast<size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            if (!waitFor(socket.fd(), POLLIN, deadline)) {
                return false;
            }
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;  // closed before a status line, or an error
        }
    }
    return std::memcmp(reply, "HTTP/", sizeof reply) == 0;
}

}  // namespace nubivo::launcher
