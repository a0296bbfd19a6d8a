#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nubivo::test {

// A stand-in for NOAA's public bucket of the GFS model (an Amazon S3 bucket), as strict as
// the real one: GET of a key answers the object with 200. A Range of one byte range
// ("bytes=a-b", "bytes=a-", "bytes=-n") answers 206 with Content-Range, an end past the
// object clamped to it; a start past the end is 416 with an InvalidRange XML error; a Range
// it cannot read (several ranges, another unit) is ignored and the whole object sent with
// 200. A missing key is 404 with a NoSuchKey XML error. It can be told to ignore every
// Range. An HTTP/1.1 server of its own on 127.0.0.1 (cpp-httplib answers ranges its own
// way), one thread per connection, for as long as the object lives.
class ScriptedBucket {
  public:
    explicit ScriptedBucket(int port = 0);  // 0: a port the system picks
    ~ScriptedBucket();
    ScriptedBucket(const ScriptedBucket&) = delete;
    ScriptedBucket& operator=(const ScriptedBucket&) = delete;

    int port() const { return port_; }
    std::string url() const;  // "http://127.0.0.1:PORT"

    void put(const std::string& key, std::string bytes);
    void remove(const std::string& key);
    std::string object(const std::string& key) const;  // "" when there is none
    void setIgnoresRange(bool ignores);

    // Requests answered since the last reset, and the body bytes the client's socket took.
    int32_t requests() const;
    uint64_t bytesSent() const;
    // Each request as "key" or "key bytes=a-b", in order.
    std::vector<std::string> asked() const;
    void resetCounts();

  private:
    struct Connection {
        int socket = -1;
        std::thread thread;
        std::atomic<bool> ended{false};
    };
    void acceptLoop();
    void serve(Connection& connection);
    // The whole answer to one GET of `target` with the Range header `range` ("" for none).
    std::string answer(const std::string& target, const std::string& range, size_t* bodyBytes);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::map<std::string, std::string> objects_;
    bool ignoresRange_ = false;
    std::vector<std::string> asked_;
    uint64_t bytesSent_ = 0;
    std::list<Connection> connections_;
};

}  // namespace nubivo::test
