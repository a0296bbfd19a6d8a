#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/free_port.h"
#include "support/local_server.h"
#include "launcher/host_probe.h"

namespace nubivo::test {
namespace {

using Clock = std::chrono::steady_clock;

// A listener on 127.0.0.1 that takes connections and answers each with `reply` (nothing at
// all when empty), then keeps it open until the listener goes.
class RawListener {
  public:
    explicit RawListener(std::string reply) : reply_(std::move(reply)) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listen(fd_, 8);
        thread_ = std::thread([this] {
            while (!stopping_) {
                const int client = accept(fd_, nullptr, nullptr);
                if (client < 0) {
                    return;
                }
                if (!reply_.empty()) {
                    send(client, reply_.data(), reply_.size(), MSG_NOSIGNAL);
                }
                clients_.push_back(client);
            }
        });
    }
    ~RawListener() {
        stopping_ = true;
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        thread_.join();
        for (int client : clients_) {
            close(client);
        }
    }
    int port() const { return port_; }

  private:
    std::string reply_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::vector<int> clients_;
    std::thread thread_;
};

TEST(HostProbeTest, OnlyAnHttpAnswerCounts) {
    LocalServer web;  // answers 404 to "/"
    EXPECT_TRUE(launcher::hostAnswers(web.port(), 2000));
    EXPECT_FALSE(launcher::hostAnswers(freePort(), 2000)) << "nothing listening";

    RawListener silent("");
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(launcher::hostAnswers(silent.port(), 300)) << "takes connections, says nothing";
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << "bounded by the timeout";

    RawListener other("SSH-2.0-x\r\n");
    EXPECT_FALSE(launcher::hostAnswers(other.port(), 1000)) << "not a web server";
    RawListener web10("HTTP/1.0 200 OK\r\n\r\n");
    EXPECT_TRUE(launcher::hostAnswers(web10.port(), 1000));
}

}  // namespace
}  // namespace nubivo::test
