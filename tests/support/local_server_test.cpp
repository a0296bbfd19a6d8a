#include "support/local_server.h"

#include <gtest/gtest.h>

namespace nubivo::test {
namespace {

TEST(LocalServerTest, ServesRecordsAndReportsUnknownPaths) {
    LocalServer server;
    server.getText("/a", "hello");
    httplib::Client client("127.0.0.1", server.port());
    client.set_default_headers({{"User-Agent", "probe"}});

    auto found = client.Get("/a?x=1%202");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->status, 200);
    EXPECT_EQ(found->body, "hello");
    auto missing = client.Get("/b");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);

    ASSERT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(server.requestCount("/a"), 1u);
    const RecordedRequest first = server.requests().front();
    EXPECT_EQ(first.target, "/a?x=1%202");
    EXPECT_EQ(first.userAgent, "probe");
}

TEST(LocalServerTest, SendsASlowBodyWholeWhenReadToTheEnd) {
    LocalServer server;
    const std::string body(1000, 'z');
    server.getSlowly("/slow", body, 100, 1);
    httplib::Client client("127.0.0.1", server.port());
    auto result = client.Get("/slow");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->body, body);
    EXPECT_EQ(server.bytesSent("/slow"), body.size());
}

}  // namespace
}  // namespace nubivo::test
