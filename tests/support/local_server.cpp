#include "support/local_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace nubivo::test {
namespace {

// Binds a TCP socket to 127.0.0.1 at a port the kernel chooses; returns the socket and port.
int bindLoopback(int* port) {
    int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        throw std::runtime_error("socket() failed");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(sock);
        throw std::runtime_error("bind() on 127.0.0.1 failed");
    }
    *port = ntohs(address.sin_port);
    return sock;
}

std::string loopbackUrl(int port) {
    return "http://127.0.0.1:" + std::to_string(port);
}

}  // namespace

LocalServer::LocalServer() {
    // cpp-httplib writes without MSG_NOSIGNAL; a client that closes early must not kill the
    // test process with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);

    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        serve(request, response);
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        throw std::runtime_error("LocalServer: bind on 127.0.0.1 failed");
    }
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() only takes effect once the accept loop runs; wait for it so that a server
    // destroyed at once still shuts down. Connections made before then wait in the backlog.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_.is_running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            std::abort();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

LocalServer::~LocalServer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stopSignal_.notify_all();
    server_.stop();
    thread_.join();
}

void LocalServer::get(const std::string& path, Handler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    handlers_.emplace_back(path, std::move(handler));
}

void LocalServer::getText(const std::string& path, std::string body, int status,
                          const std::string& contentType, httplib::Headers extra) {
    get(path, [body = std::move(body), status, contentType, extra = std::move(extra)](
                  const httplib::Request&, httplib::Response& response) {
        response.status = status;
        for (const auto& [name, value] : extra) {
            response.set_header(name.c_str(), value);
        }
        response.set_content(body, contentType.c_str());
    });
}

void LocalServer::getSlowly(const std::string& path, std::string body, size_t pieceSize,
                            int pauseMs, httplib::Headers extra) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sent_.emplace_back(path, 0);
    }
    auto shared = std::make_shared<std::string>(std::move(body));
    auto provider = [this, path, shared, pieceSize, pauseMs](size_t offset, size_t length,
                                                             httplib::DataSink& sink) {
        if (offset > 0 && !pause(pauseMs)) {
            return false;
        }
        const size_t piece = std::min(pieceSize, length);
        {
            // Counted before the write, so that a client that has read the whole body
            // always finds it counted.
            std::lock_guard<std::mutex> lock(mutex_);
            for (auto& [sentPath, count] : sent_) {
                if (sentPath == path) {
                    count = offset + piece;
                }
            }
        }
        return sink.write(shared->data() + offset, piece);
    };
    get(path, [shared, provider, extra = std::move(extra)](const httplib::Request&,
                                                           httplib::Response& response) {
        for (const auto& [name, value] : extra) {
            response.set_header(name.c_str(), value);
        }
        response.set_content_provider(shared->size(), "application/octet-stream", provider);
    });
}

std::string LocalServer::baseUrl() const {
    return loopbackUrl(port_);
}

std::string LocalServer::url(const std::string& path) const {
    return baseUrl() + path;
}

std::vector<RecordedRequest> LocalServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

size_t LocalServer::requestCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
}

size_t LocalServer::requestCount(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t count = 0;
    for (const auto& request : requests_) {
        count += request.path == path ? 1 : 0;
    }
    return count;
}

RecordedRequest LocalServer::lastRequest() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.empty() ? RecordedRequest{} : requests_.back();
}

size_t LocalServer::bytesSent(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [sentPath, count] : sent_) {
        if (sentPath == path) {
            return count;
        }
    }
    return 0;
}

bool LocalServer::pause(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !stopSignal_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
}

bool LocalServer::stopping() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopping_;
}

void LocalServer::serve(const httplib::Request& request, httplib::Response& response) {
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(RecordedRequest{
            request.path, request.target, request.get_header_value("User-Agent"), request.headers});
        for (auto it = handlers_.rbegin(); it != handlers_.rend(); ++it) {
            if (it->first == request.path) {
                handler = it->second;
                break;
            }
        }
    }
    if (!handler) {
        response.status = 404;
        response.set_content("not found", "text/plain");
        return;
    }
    handler(request, response);
}

SilentListener::SilentListener() {
    socket_ = bindLoopback(&port_);
    if (::listen(socket_, 16) != 0) {
        ::close(socket_);
        throw std::runtime_error("listen() failed");
    }
}

SilentListener::~SilentListener() {
    ::close(socket_);
}

std::string SilentListener::baseUrl() const {
    return loopbackUrl(port_);
}

int closedPort() {
    int port = -1;
    ::close(bindLoopback(&port));
    return port;
}

}  // namespace nubivo::test
