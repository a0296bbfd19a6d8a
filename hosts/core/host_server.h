#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace httplib {
class Server;
struct Response;
}  // namespace httplib

namespace nubivo::host {

// The hosts listen on the loopback address only.
inline constexpr const char* listenAddress = "127.0.0.1";
inline constexpr int defaultPort = 8642;

// The project's version, e.g. "1.0.0".
const char* programVersion();

// A path as an httplib pattern: its dots matched literally.
std::string literalPattern(std::string_view path);

// `bytes` as the response body with its type (Content-Length follows from it).
void sendBytes(httplib::Response& response, const std::vector<uint8_t>& bytes,
               const char* contentType);

// A short plain-text answer with `status`, e.g. 404 "Unknown place".
void sendText(httplib::Response& response, int status, std::string_view text);

// "http://" + `host` (a request's Host header) when it is a plain host[:port] of at most
// 100 bytes, else `fallback`.
std::string iconBaseFor(std::string_view host, std::string_view fallback);

// Whether `host` (a request's Host header) names the host on the loopback at `port`:
// "127.0.0.1:PORT" or "localhost:PORT", letter case aside.
bool isLoopbackHost(std::string_view host, int port);

// Answers 403 to every request whose Host header does not name the server on the loopback at
// the port the request came in on, before any route sees it: a web page in a browser on this
// machine cannot reach the host through a name of its own that it rebinds to 127.0.0.1.
void acceptLoopbackOnly(httplib::Server& server);

// Gives every answer without a body of its own ("Not found" for a 404) a plain-text body.
void installPlainErrors(httplib::Server& server);

// Blocks SIGINT and SIGTERM for the calling thread and every thread it starts later: call
// first in main, before any thread exists.
void blockStopSignals();

// Makes `server` bind its port alone: a second host on a port that one already listens on
// fails to start rather than sharing the port's connections with it (which httplib's own
// options would allow).
void bindAlone(httplib::Server& server);

// Binds `server` (bindAlone) to listenAddress:`port`, prints "<program>: serving on http://..." and
// serves until SIGINT or SIGTERM (then 0) or until the server fails (1). 1 too when the port
// cannot be had, with a message on standard error.
int serveUntilSignalled(httplib::Server& server, int port, const char* program);

}  // namespace nubivo::host
