#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nubivo::test {

// One request as the server saw it.
struct RecordedRequest {
    std::string path;       // decoded path, without the query
    std::string target;     // the request target exactly as sent, query included
    std::string userAgent;  // the User-Agent header, empty when none came
    httplib::Headers headers;
};

// An HTTP server on 127.0.0.1 at an ephemeral port, serving from its own threads for as long
// as the object lives. Handlers may be added at any time; the last one added for a path wins.
// Every GET is recorded, including those that find no handler (they get 404).
class LocalServer {
  public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    LocalServer();
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    // Serves GET `path` (exact match of the decoded path, query ignored) with `handler`.
    void get(const std::string& path, Handler handler);

    // Serves GET `path` with a fixed status, body and content type, and any extra headers.
    void getText(const std::string& path, std::string body, int status = 200,
                 const std::string& contentType = "text/plain", httplib::Headers extra = {});

    // Serves GET `path` with `body` sent in pieces of `pieceSize` bytes, `pauseMs` apart,
    // under a Content-Length of the whole. bytesSent(path) tells how far the body got before
    // the client went away (each piece counts as it is handed to the socket).
    void getSlowly(const std::string& path, std::string body, size_t pieceSize, int pauseMs,
                   httplib::Headers extra = {});

    int port() const { return port_; }
    std::string baseUrl() const;                     // "http://127.0.0.1:PORT"
    std::string url(const std::string& path) const;  // baseUrl() + path

    std::vector<RecordedRequest> requests() const;
    size_t requestCount() const;
    size_t requestCount(const std::string& path) const;
    RecordedRequest lastRequest() const;              // empty when none came
    size_t bytesSent(const std::string& path) const;  // body bytes getSlowly sent so far

    // For handlers that wait: sleeps up to `ms`, false (at once) when the server is stopping.
    // A handler must never wait any other way, or the server cannot stop.
    bool pause(int ms);
    bool stopping() const;

  private:
    void serve(const httplib::Request& request, httplib::Response& response);

    httplib::Server server_;
    std::thread thread_;
    int port_ = -1;
    mutable std::mutex mutex_;
    std::condition_variable stopSignal_;
    bool stopping_ = false;
    std::vector<std::pair<std::string, Handler>> handlers_;
    std::vector<RecordedRequest> requests_;
    std::vector<std::pair<std::string, size_t>> sent_;
};

// A TCP port on 127.0.0.1 that accepts connections (the kernel completes them) but never
// reads a request nor answers: a server that hangs.
class SilentListener {
  public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    int port() const { return port_; }
    std::string baseUrl() const;

  private:
    int socket_ = -1;
    int port_ = -1;
};

// A port on 127.0.0.1 where nothing listens (bound once, then released).
int closedPort();

}  // namespace nubivo::test
