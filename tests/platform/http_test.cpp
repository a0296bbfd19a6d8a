#include "platform/http.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "state/viewer_state.h"
#include "support/local_server.h"

namespace nubivo {
namespace {

using Clock = std::chrono::steady_clock;
using test::LocalServer;

long millisecondsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Reads the whole body in pieces of `piece` bytes; `last` receives the read that ended it.
std::string readAll(HttpRequest* request, int32_t piece = 4096, int32_t* last = nullptr) {
    std::string body;
    char buffer[4096];
    for (;;) {
        const int32_t count = httpRead(request, buffer, piece);
        if (count <= 0) {
            if (last != nullptr) {
                *last = count;
            }
            return body;
        }
        EXPECT_LE(count, piece);
        body.append(buffer, static_cast<size_t>(count));
    }
}

class HttpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetViewerState();
        HttpLimits limits;
        limits.connectTimeoutMs = 2000;
        limits.stallSeconds = 1;
        limits.totalTimeoutMs = 10000;
        setHttpLimits(limits);
    }
    void TearDown() override {
        setHttpLimits(HttpLimits{});
        httpResetCancel();
    }

    LocalServer server;
};

TEST_F(HttpTest, SendsTheAgentNameAndNoCacheHeadersOnlyOnReload) {
    server.getText("/x", "ok");
    for (const bool reload : {false, true}) {
        SCOPED_TRACE(reload ? "reload" : "plain");
        HttpRequest* request = httpOpen(server.url("/x").c_str(), reload);
        ASSERT_NE(request, nullptr);
        EXPECT_EQ(readAll(request), "ok");
        httpClose(request);
        const test::RecordedRequest seen = server.lastRequest();
        EXPECT_EQ(seen.userAgent, "Nubivo Weather Viewer");
        auto header = [&](const char* name) {
            auto it = seen.headers.find(name);
            return it == seen.headers.end() ? std::string() : it->second;
        };
        EXPECT_EQ(header("Cache-Control"), reload ? "no-cache" : "");
        EXPECT_EQ(header("Pragma"), reload ? "no-cache" : "");
    }
}

TEST_F(HttpTest, EscapesOnlyBytesThatCannotStandInAUrl) {
    server.getText("/p", "ok");
    struct Case {
        const char* query;
        const char* sent;
    };
    const Case cases[] = {
        {"New York", "New%20York"},
        {"a&b=c%41~!$'()*+,;:@/?", "a&b=c%41~!$'()*+,;:@/?"},
        {"\"<>\\^`{|}#", "%22%3C%3E%5C%5E%60%7B%7C%7D%23"},
        {"\x01\t\x1f\x7f", "%01%09%1F%7F"},
        {"Z\xc3\xbcrich\xff\x80", "Z%C3%BCrich%FF%80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent);
        const std::string url = server.url("/p?q=") + c.query;
        HttpRequest* request = httpOpen(url.c_str(), false);
        ASSERT_NE(request, nullptr);
        httpClose(request);
        EXPECT_EQ(server.lastRequest().target, std::string("/p?q=") + c.sent);
    }
}

TEST_F(HttpTest, ReadsResponseHeadersByNameWithinTheBuffer) {
    server.getText("/h", "body", 200, "text/plain",
                   {{"Last-Modified", "Mon, 07 Dec 2026 10:00:00 GMT"}, {"X-Empty", ""}});
    HttpRequest* request = httpOpen(server.url("/h").c_str(), false);
    ASSERT_NE(request, nullptr);

    char value[64] = "untouched";
    EXPECT_TRUE(httpHeader(request, "last-MODIFIED", value, sizeof value));
    EXPECT_STREQ(value, "Mon, 07 Dec 2026 10:00:00 GMT");
    EXPECT_TRUE(httpHeader(request, "Content-Length", value, sizeof value));
    EXPECT_STREQ(value, "4");

    char small[29] = "untouched";  // one byte short of the date and its NUL
    EXPECT_FALSE(httpHeader(request, "Last-Modified", small, sizeof small));
    EXPECT_STREQ(small, "untouched");
    EXPECT_FALSE(httpHeader(request, "Last", value, sizeof value));
    EXPECT_FALSE(httpHeader(request, "X-Missing", value, sizeof value));
    EXPECT_EQ(readAll(request), "body");
    httpClose(request);

    EXPECT_FALSE(httpHeader(nullptr, "Last-Modified", value, sizeof value));
}

TEST_F(HttpTest, AnErrorStatusStillGivesItsBody) {
    server.getText("/missing", "<html>Not here</html>", 404, "text/html");
    HttpRequest* request = httpOpen(server.url("/missing").c_str(), false);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(readAll(request), "<html>Not here</html>");
    httpClose(request);
}

TEST_F(HttpTest, ReadsATwentyMebibyteBodyWholeAndInOrder) {
    std::string body(20u << 20, '\0');
    for (size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>((i * 131u + i / 4099u) & 0xff);
    }
    server.getText("/big", body, 200, "application/octet-stream");
    // The server takes a while to start 20 MiB under a sanitizer on a busy machine: this is
    // no test of the stall limit.
    HttpLimits limits = httpLimits();
    limits.stallSeconds = 30;
    setHttpLimits(limits);
    HttpRequest* request = httpOpen(server.url("/big").c_str(), false);
    ASSERT_NE(request, nullptr);
    int32_t last = 1;
    const std::string received = readAll(request, 4096, &last);
    httpClose(request);
    EXPECT_EQ(last, 0);
    ASSERT_EQ(received.size(), body.size());
    EXPECT_TRUE(received == body);
}

TEST_F(HttpTest, SmallReadsTakeTheBodyByteByByte) {
    server.getText("/s", "abcdef");
    HttpRequest* request = httpOpen(server.url("/s").c_str(), false);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(readAll(request, 1), "abcdef");
    char byte = 0;
    EXPECT_EQ(httpRead(request, &byte, 1), 0);  // the end stays the end
    httpClose(request);
}

TEST_F(HttpTest, FollowsUpToFiveRedirectsAndFailsOnTheSixth) {
    server.getText("/final", "arrived", 200, "text/plain", {{"X-Which", "final"}});
    for (int hop = 1; hop <= 6; ++hop) {
        const std::string target = hop == 1 ? "/final" : "/hop" + std::to_string(hop - 1);
        server.getText("/hop" + std::to_string(hop), "moved", 302, "text/plain",
                       {{"Location", target}, {"X-Which", "hop"}});
    }
    HttpRequest* request = httpOpen(server.url("/hop5").c_str(), false);
    ASSERT_NE(request, nullptr);
    char which[16] = "";
    EXPECT_TRUE(httpHeader(request, "X-Which", which, sizeof which));
    EXPECT_STREQ(which, "final");
    EXPECT_EQ(readAll(request), "arrived");
    httpClose(request);

    EXPECT_EQ(httpOpen(server.url("/hop6").c_str(), false), nullptr);
}

TEST_F(HttpTest, SpeaksOnlyHttpAndHttps) {
    server.getText("/to-file", "moved", 302, "text/plain", {{"Location", "file:///etc/hostname"}});
    const std::string ftp = "ftp://127.0.0.1:" + std::to_string(server.port()) + "/";
    const std::string urls[] = {ftp, "file:///etc/hostname", server.url("/to-file"), ""};
    for (const std::string& url : urls) {
        SCOPED_TRACE(url);
        EXPECT_EQ(httpOpen(url.c_str(), false), nullptr);
    }
    EXPECT_EQ(httpOpen(nullptr, false), nullptr);
}

TEST_F(HttpTest, AClosedPortFailsAtOpenAndANullRequestIsHarmless) {
    const std::string url = "http://127.0.0.1:" + std::to_string(test::closedPort()) + "/feed";
    EXPECT_EQ(httpOpen(url.c_str(), false), nullptr);
    char buffer[16];
    EXPECT_EQ(httpRead(nullptr, buffer, sizeof buffer), -1);
    httpClose(nullptr);
}

TEST_F(HttpTest, AServerThatNeverAnswersGivesUpAtTheStallLimit) {
    test::SilentListener silent;
    const auto start = Clock::now();
    EXPECT_EQ(httpOpen((silent.baseUrl() + "/feed").c_str(), false), nullptr);
    const long elapsed = millisecondsSince(start);
    std::printf("silent server abandoned after %ld ms (stall limit 1 s)\n", elapsed);
    EXPECT_LT(elapsed, 8000);
}

TEST_F(HttpTest, ADrippingServerIsCutOffAtTheTotalLimit) {
    HttpLimits limits = httpLimits();
    limits.totalTimeoutMs = 1500;
    setHttpLimits(limits);
    // Ten bytes a second: fast enough for the stall limit, far too slow for a 1 MiB body.
    server.getSlowly("/drip", std::string(1 << 20, 'd'), 1, 100);
    const auto start = Clock::now();
    HttpRequest* request = httpOpen(server.url("/drip").c_str(), false);
    ASSERT_NE(request, nullptr);
    int32_t last = 0;
    const std::string received = readAll(request, 4096, &last);
    httpClose(request);
    const long elapsed = millisecondsSince(start);
    std::printf("dripping server cut off after %ld ms and %zu bytes\n", elapsed, received.size());
    EXPECT_EQ(last, -1);
    EXPECT_GT(received.size(), 0u);
    EXPECT_LT(received.size(), 200u);
    EXPECT_LT(elapsed, 8000);
}

TEST_F(HttpTest, ABodyThatStallsMidwayKeepsTheBytesSoFar) {
    // libcurl averages the speed over several seconds, so the total limit ends this sooner.
    HttpLimits limits = httpLimits();
    limits.totalTimeoutMs = 2000;
    setHttpLimits(limits);
    server.get("/stall", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(1000, "text/plain",
                                      [this](size_t offset, size_t, httplib::DataSink& sink) {
                                          if (offset == 0) {
                                              return sink.write("0123456789", 10);
                                          }
                                          server.pause(60000);
                                          return false;
                                      });
    });
    HttpRequest* request = httpOpen(server.url("/stall").c_str(), false);
    ASSERT_NE(request, nullptr);
    int32_t last = 0;
    EXPECT_EQ(readAll(request, 4096, &last), "0123456789");
    EXPECT_EQ(last, -1);
    httpClose(request);
}

TEST_F(HttpTest, CloseAbandonsTheRestOfTheBody) {
    // 1 MiB in 1 KiB pieces 5 ms apart would take five seconds to send.
    server.getSlowly("/slow", std::string(1 << 20, 's'), 1024, 5);
    HttpRequest* request = httpOpen(server.url("/slow").c_str(), false);
    ASSERT_NE(request, nullptr);
    char buffer[4096];
    EXPECT_GT(httpRead(request, buffer, sizeof buffer), 0);
    const auto start = Clock::now();
    httpClose(request);
    EXPECT_LT(millisecondsSince(start), 1000);
    EXPECT_LT(server.bytesSent("/slow"), size_t{1} << 20);
}

TEST_F(HttpTest, CancelAbortsAStalledTransferAtOnceAndBlocksLaterOpens) {
    // Only the cancel may end this transfer: the limits are the long defaults.
    setHttpLimits(HttpLimits{});
    server.get("/stuck", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(100, "text/plain",
                                      [this](size_t offset, size_t, httplib::DataSink& sink) {
                                          if (offset == 0) {
                                              return sink.write("head", 4);
                                          }
                                          server.pause(60000);
                                          return false;
                                      });
    });
    HttpRequest* request = httpOpen(server.url("/stuck").c_str(), false);
    ASSERT_NE(request, nullptr);
    char buffer[4096];
    ASSERT_EQ(httpRead(request, buffer, sizeof buffer), 4);

    std::atomic<bool> waiting{false};
    Clock::time_point returned;
    int32_t result = 0;
    std::thread reader([&] {
        waiting = true;
        result = httpRead(request, buffer, sizeof buffer);
        returned = Clock::now();
    });
    while (!waiting) {
        std::this_thread::yield();
    }
    // Give the reader time to settle into its wait; the cancel must end it either way.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto cancelled = Clock::now();
    httpCancelAll();
    reader.join();
    const long elapsed = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(returned - cancelled).count());
    std::printf("stalled read returned %ld ms after the cancel\n", elapsed);
    EXPECT_EQ(result, -1);
    EXPECT_LT(elapsed, 1000);
    httpClose(request);

    server.getText("/after", "ok");
    EXPECT_EQ(httpOpen(server.url("/after").c_str(), false), nullptr);
    httpResetCancel();
    request = httpOpen(server.url("/after").c_str(), false);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(readAll(request), "ok");
    httpClose(request);
}

TEST_F(HttpTest, CancelEndsAnOpenThatWaitsForHeaders) {
    setHttpLimits(HttpLimits{});
    test::SilentListener silent;
    HttpRequest* request = reinterpret_cast<HttpRequest*>(1);
    Clock::time_point returned;
    std::atomic<bool> started{false};
    std::thread opener([&] {
        started = true;
        request = httpOpen((silent.baseUrl() + "/feed").c_str(), false);
        returned = Clock::now();
    });
    while (!started) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto cancelled = Clock::now();
    httpCancelAll();
    opener.join();
    const long elapsed = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(returned - cancelled).count());
    std::printf("waiting open returned %ld ms after the cancel\n", elapsed);
    EXPECT_EQ(request, nullptr);
    EXPECT_LT(elapsed, 1000);
}

}  // namespace
}  // namespace nubivo
