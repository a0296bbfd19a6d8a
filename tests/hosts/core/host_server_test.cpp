#include "hosts/core/host_server.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <string>

#include "hosts/core/calendar.h"
#include "platform/http_date.h"
#include "support/served_server.h"

namespace nubivo {
namespace {

// 2026-12-07 10:20:00 UTC, a Monday.
constexpr int64_t mondayMorning = 1796638800;

TEST(HostCalendarTest, HttpDatesAreWhatTheViewerParses) {
    EXPECT_EQ(host::httpDate(mondayMorning / 3600 * 3600), "Mon, 07 Dec 2026 10:00:00 GMT");
    SystemTime stamp{};
    ASSERT_TRUE(parseHttpDate(host::httpDate(mondayMorning).c_str(), &stamp));
    EXPECT_EQ(stamp.year, 2026);
    EXPECT_EQ(stamp.month, 12);
    EXPECT_EQ(stamp.day, 7);
    EXPECT_EQ(stamp.dayOfWeek, 1);
    EXPECT_EQ(stamp.hour, 10);
    EXPECT_EQ(stamp.minute, 20);
}

TEST(HostCalendarTest, CivilDatesGoBothWays) {
    struct Case {
        int32_t year, month, day, weekday;
        int64_t days;
    };
    const Case cases[] = {
        {1970, 1, 1, 4, 0},     {2026, 12, 7, 1, 20794}, {2024, 2, 29, 4, 19782},
        {2000, 3, 1, 3, 11017}, {1969, 12, 31, 3, -1},   {2100, 3, 1, 1, 47541},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.days);
        EXPECT_EQ(host::daysFromCivil(c.year, c.month, c.day), c.days);
        const host::CivilDate date = host::civilDate(c.days);
        EXPECT_EQ(date.year, c.year);
        EXPECT_EQ(date.month, c.month);
        EXPECT_EQ(date.day, c.day);
        EXPECT_EQ(date.weekday, c.weekday);
    }
    EXPECT_STREQ(host::weekdayName(0), "Sun");
    EXPECT_STREQ(host::monthName(12), "Dec");
    EXPECT_STREQ(host::monthName(13), "");
}

TEST(HostCalendarTest, ClockTexts) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "12:00 am"},           {7 * 60 + 45, "7:45 am"},
        {12 * 60, "12:00 pm"},     {23 * 60 + 59, "11:59 pm"},
        {24 * 60 + 5, "12:05 am"}, {-60, "11:00 pm"},
    };
    for (const auto& [minutes, text] : cases)
        EXPECT_EQ(host::clockText(minutes), text) << minutes;
}

TEST(HostServerTest, IconBaseTrustsOnlyAPlainHostHeader) {
    const char* fallback = "http://127.0.0.1:8642";
    EXPECT_EQ(host::iconBaseFor("127.0.0.1:9000", fallback), "http://127.0.0.1:9000");
    EXPECT_EQ(host::iconBaseFor("localhost", fallback), "http://localhost");
    EXPECT_EQ(host::iconBaseFor("", fallback), fallback);
    EXPECT_EQ(host::iconBaseFor("evil\"host", fallback), fallback);
    EXPECT_EQ(host::iconBaseFor("a/b", fallback), fallback);
    EXPECT_EQ(host::iconBaseFor(std::string(101, 'a'), fallback), fallback);
}

TEST(HostServerTest, OnlyRequestsNamingTheHostOnTheLoopbackAreAnswered) {
    httplib::Server server;
    server.Get("/forecastrss", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("feed", "text/plain");
    });
    host::acceptLoopbackOnly(server);
    const test::ServedServer served(server);
    const std::string port = std::to_string(served.port());
    const std::pair<std::string, int> cases[] = {
        {"127.0.0.1:" + port, 200},
        {"localhost:" + port, 200},
        {"LocalHost:" + port, 200},
        {"rebound.example:" + port, 403},  // a web page's own name, resolved to 127.0.0.1
        {"127.0.0.1", 403},
        {"127.0.0.1:1" + port, 403},
        {"127.0.0.2:" + port, 403},
        {"[::1]:" + port, 403},
        {"", 403},
    };
    for (const auto& [hostHeader, status] : cases) {
        SCOPED_TRACE(hostHeader);
        httplib::Client client("127.0.0.1", served.port());
        const httplib::Result result = client.Get("/forecastrss?p=Paris", {{"Host", hostHeader}});
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, status);
        EXPECT_EQ(result->body == "feed", status == 200);
    }
}

TEST(HostServerTest, ASecondHostCannotShareAPort) {
    httplib::Server first;
    httplib::Server second;
    host::bindAlone(first);
    host::bindAlone(second);
    const int port = first.bind_to_any_port(host::listenAddress);
    ASSERT_GT(port, 0);
    EXPECT_FALSE(second.bind_to_port(host::listenAddress, port));
}

}  // namespace
}  // namespace nubivo
