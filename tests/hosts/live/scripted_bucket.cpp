#include "tests/hosts/live/scripted_bucket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <stdexcept>

#include "hosts/live/gfs_inventory.h"

namespace nubivo::test {
namespace {

constexpr size_t maxRequestHead = 64 * 1024;

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string response(int status, const char* reason, const std::string& headers,
                     const std::string& body) {
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nServer: AmazonS3\r\n" +
           headers + "\r\n" + body;
}

std::string xmlError(const char* code, const std::string& message, const std::string& more) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>" + std::string(code) +
           "</Code><Message>" + message + "</Message>" + more +
           "<RequestId>0123456789ABCDEF</RequestId><HostId>scripted</HostId></Error>";
}

// The bytes a Range header asks of an object of `size` bytes as S3 reads it: nullopt when it
// is no single byte range (then it is ignored); `first` past the end when it cannot be met.
struct Asked {
    uint64_t first;
    uint64_t last;
};
std::optional<Asked> readRange(const std::string& value, uint64_t size) {
    if (value.rfind("bytes=", 0) != 0 || value.find(',') != std::string::npos)
        return std::nullopt;
    const std::string_view bounds = std::string_view(value).substr(6);
    const size_t dash = bounds.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const std::optional<uint64_t> first = live::wholeNumber(bounds.substr(0, dash));
    const std::optional<uint64_t> last = live::wholeNumber(bounds.substr(dash + 1));
    if (!first && last) {  // the last n bytes
        if (*last == 0)
            return Asked{size, size};
        return Asked{*last >= size ? 0 : size - *last, size == 0 ? 0 : size - 1};
    }
    if (!first || (last && *last < *first) || (!last && dash + 1 != bounds.size()))
        return std::nullopt;
    return Asked{*first, last ? std::min(*last, size == 0 ? 0 : size - 1) : size - 1};
}

}  // namespace

ScriptedBucket::ScriptedBucket(int port) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t length = sizeof address;
    const int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (listener_ < 0 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::listen(listener_, 64) != 0) {
        if (listener_ >= 0)
            ::close(listener_);
        throw std::runtime_error("ScriptedBucket: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

ScriptedBucket::~ScriptedBucket() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    ::close(listener_);
    // Nodes keep their places when the lists swap: each thread still finds its connection.
    std::list<Connection> connections;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connections.swap(connections_);
    }
    for (Connection& connection : connections)
        ::shutdown(connection.socket, SHUT_RDWR);
    for (Connection& connection : connections) {
        connection.thread.join();
        ::close(connection.socket);
    }
}

std::string ScriptedBucket::url() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void ScriptedBucket::put(const std::string& key, std::string bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    objects_[key] = std::move(bytes);
}

void ScriptedBucket::remove(const std::string& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    objects_.erase(key);
}

std::string ScriptedBucket::object(const std::string& key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = objects_.find(key);
    return found == objects_.end() ? std::string() : found->second;
}

void ScriptedBucket::setIgnoresRange(bool ignores) {
    std::lock_guard<std::mutex> lock(mutex_);
    ignoresRange_ = ignores;
}

int32_t ScriptedBucket::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int32_t>(asked_.size());
}

uint64_t ScriptedBucket::bytesSent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytesSent_;
}

std::vector<std::string> ScriptedBucket::asked() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return asked_;
}

void ScriptedBucket::resetCounts() {
    std::lock_guard<std::mutex> lock(mutex_);
    asked_.clear();
    bytesSent_ = 0;
}

void ScriptedBucket::acceptLoop() {
    while (!stopping_) {
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (stopping_)
                break;
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        // Connections that have ended go first: a long run makes many.
        for (auto it = connections_.begin(); it != connections_.end();) {
            if (it->ended) {
                it->thread.join();
                ::close(it->socket);
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
        if (stopping_) {
            ::close(client);
            break;
        }
        Connection& connection = connections_.emplace_back();
        connection.socket = client;
        connection.thread = std::thread([this, &connection] { serve(connection); });
    }
}

void ScriptedBucket::serve(Connection& connection) {
    std::string pending;
    char buffer[16384];
    while (!stopping_) {
        size_t headEnd = pending.find("\r\n\r\n");
        while (headEnd == std::string::npos && pending.size() < maxRequestHead) {
            const ssize_t got = ::recv(connection.socket, buffer, sizeof buffer, 0);
            if (got <= 0) {
                connection.ended = true;
                return;
            }
            pending.append(buffer, static_cast<size_t>(got));
            headEnd = pending.find("\r\n\r\n");
        }
        if (headEnd == std::string::npos)
            break;
        const std::string head = pending.substr(0, headEnd);
        pending.erase(0, headEnd + 4);
        const size_t lineEnd = head.find("\r\n");
        const std::string requestLine = head.substr(0, lineEnd);
        std::string range;
        bool close = false;
        for (size_t at = lineEnd; at != std::string::npos && at < head.size();) {
            const size_t next = head.find("\r\n", at + 2);
            const std::string line =
                head.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2);
            const size_t colon = line.find(':');
            if (colon != std::string::npos) {
                const std::string name = lowerCase(line.substr(0, colon));
                std::string value = line.substr(colon + 1);
                value.erase(0, value.find_first_not_of(" \t"));
                if (name == "range")
                    range = value;
                else if (name == "connection" && lowerCase(value) == "close")
                    close = true;
            }
            at = next;
        }
        const size_t firstSpace = requestLine.find(' ');
        const size_t secondSpace = requestLine.find(' ', firstSpace + 1);
        std::string reply;
        size_t bodyBytes = 0;
        if (firstSpace == std::string::npos || secondSpace == std::string::npos ||
            requestLine.substr(0, firstSpace) != "GET") {
            reply = response(405, "Method Not Allowed", "", "");
            close = true;
        } else {
            reply = answer(requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1), range,
                           &bodyBytes);
        }
        const size_t headBytes = reply.size() - bodyBytes;
        size_t sent = 0;
        while (sent < reply.size()) {
            const ssize_t wrote =
                ::send(connection.socket, reply.data() + sent,
                       std::min<size_t>(reply.size() - sent, 65536), MSG_NOSIGNAL);
            if (wrote <= 0)
                break;
            sent += static_cast<size_t>(wrote);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            bytesSent_ += sent > headBytes ? sent - headBytes : 0;
        }
        if (sent < reply.size() || close)
            break;
    }
    connection.ended = true;
}

std::string ScriptedBucket::answer(const std::string& target, const std::string& range,
                                   size_t* bodyBytes) {
    std::string key = target.substr(0, target.find('?'));
    if (!key.empty() && key[0] == '/')
        key.erase(0, 1);
    std::lock_guard<std::mutex> lock(mutex_);
    asked_.push_back(range.empty() ? key : key + " " + range);
    const auto found = objects_.find(key);
    if (found == objects_.end()) {
        const std::string body =
            xmlError("NoSuchKey", "The specified key does not exist.", "<Key>" + key + "</Key>");
        *bodyBytes = body.size();
        return response(404, "Not Found", "Content-Type: application/xml\r\n", body);
    }
    const std::string& object = found->second;
    const std::string plain = "Content-Type: binary/octet-stream\r\nAccept-Ranges: bytes\r\n";
    const std::optional<Asked> asked =
        ignoresRange_ || range.empty() ? std::nullopt : readRange(range, object.size());
    if (!asked) {
        *bodyBytes = object.size();
        return response(200, "OK", plain, object);
    }
    if (asked->first >= object.size()) {
        const std::string body =
            xmlError("InvalidRange", "The requested range is not satisfiable",
                     "<RangeRequested>" + range + "</RangeRequested><ActualObjectSize>" +
                         std::to_string(object.size()) + "</ActualObjectSize>");
        *bodyBytes = body.size();
        return response(416, "Requested Range Not Satisfiable", "Content-Type: application/xml\r\n",
                        body);
    }
    const std::string part = object.substr(asked->first, asked->last - asked->first + 1);
    *bodyBytes = part.size();
    return response(206, "Partial Content",
                    plain + "Content-Range: bytes " + std::to_string(asked->first) + "-" +
                        std::to_string(asked->last) + "/" + std::to_string(object.size()) + "\r\n",
                    part);
}

}  // namespace nubivo::test
