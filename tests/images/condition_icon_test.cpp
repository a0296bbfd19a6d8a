#include "images/condition_icon.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "feed/scan_feed.h"
#include "images/image_download.h"
#include "state/viewer_state.h"
#include "support/image_fixtures.h"
#include "support/local_server.h"

namespace nubivo {
namespace {

class ConditionIconTest : public ::testing::Test {
  protected:
    void SetUp() override { resetViewerState(); }
    void TearDown() override {
        setIconDownloadEnabled(true);
        resetViewerState();
    }

    // Runs the handler on `body` as the scanner would, just past the name "img".
    static int32_t handle(const std::string& body) {
        int32_t position = static_cast<int32_t>(body.find("img") + 3);
        return handleImgElement(body.data(), static_cast<int32_t>(body.size()), position);
    }

    static void scan(const std::string& body) {
        scanFeed(body.data(), static_cast<int32_t>(body.size()));
    }

    static void giveIcon() {
        test::Bytes png = test::encodeSolid(FIF_PNG, 2, 2);
        replaceImage(viewerState.conditionIcon, png.data(), static_cast<uint32_t>(png.size()));
        ASSERT_NE(viewerState.conditionIcon, nullptr);
    }
};

TEST_F(ConditionIconTest, TakesFirstQuotedValueUpToItsClosingQuote) {
    const std::string longest(259, 'u');
    const std::string tooLong(260, 'u');
    const std::string beyondBuffer(1024, 'u');
    struct Case {
        const char* name;
        std::string body;
        std::string expectedUrl;
        int32_t expectedResume;  // -1: at or past the end of the body
    };
    const Case cases[] = {
        {"first quoted value wins", R"(<img alt="sunny" src="http://h/26.gif"/>)", "sunny", 16},
        {"slashes and a query are taken whole",
         R"(<img src="http://h.example/a/b/26.gif?size=l&v=2" />)",
         "http://h.example/a/b/26.gif?size=l&v=2", 49},
        {"a slash does not end the value", R"(<img src="a/"/>)", "a/", 13},
        {"empty value", R"(<img src=""/>)", "", 11},
        {"body ends inside the URL", R"(<img src="http://h/2)", "http://h/2", -1},
        {"body ends after the opening quote", R"(<img src=")", "previous", -1},
        {"no quote after the name", "<img src=x/>", "previous", -1},
        {"259 bytes fit", "<img src=\"" + longest + "\"/>", longest, 270},
        {"260 bytes cannot be recorded", "<img src=\"" + tooLong + "\"/>", "", 271},
        {"1024 bytes cannot be held", "<img src=\"" + beyondBuffer + "\"/>", "", 1035},
    };
    setIconDownloadEnabled(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        copyText(viewerState.conditionIconUrl, "previous");
        viewerState.scanState = ScanState::Wind;
        int32_t resume = handle(c.body);
        EXPECT_STREQ(viewerState.conditionIconUrl, c.expectedUrl.c_str());
        EXPECT_EQ(viewerState.scanState, ScanState::None);
        if (c.expectedResume < 0) {
            EXPECT_GE(resume, static_cast<int32_t>(c.body.size()));
        } else {
            EXPECT_EQ(resume, c.expectedResume);
            EXPECT_EQ(c.body[resume - 1], '"');
        }
    }
}

class IconDownloadTest : public ConditionIconTest {
  protected:
    void SetUp() override {
        ConditionIconTest::SetUp();
        test::Bytes gif = test::encodeSolid(FIF_GIF, 5, 3);
        server_.getText("/icons/26.gif", std::string(gif.begin(), gif.end()), 200, "image/gif");
    }

    test::LocalServer server_;
};

TEST_F(IconDownloadTest, DownloadsIconAndScanGoesOnPastIt) {
    giveIcon();
    Image24 older = viewerState.conditionIcon;
    std::string url = server_.url("/icons/26.gif?size=large&day=1");
    scan("<item><img src=\"" + url + "\" width=\"52\"/>" +
         R"(<nweather:wind chill="5" direction="10" speed="20"/></item>)");

    ASSERT_NE(viewerState.conditionIcon, nullptr);
    EXPECT_NE(viewerState.conditionIcon, older);
    EXPECT_EQ(FreeImage_GetWidth(viewerState.conditionIcon), 5u);
    EXPECT_EQ(FreeImage_GetBPP(viewerState.conditionIcon), 24u);
    EXPECT_STREQ(viewerState.conditionIconUrl, url.c_str());
    EXPECT_EQ(viewerState.weather.windChill, 5);
    EXPECT_EQ(viewerState.weather.windSpeed, 20);

    test::RecordedRequest request = server_.lastRequest();
    EXPECT_EQ(request.target, "/icons/26.gif?size=large&day=1");
    EXPECT_EQ(request.userAgent, "Nubivo Weather Viewer");
    EXPECT_EQ(request.headers.count("Cache-Control"), 0u);
}

TEST_F(IconDownloadTest, BodyEndingInsideUrlStillFetchesIt) {
    scan("<img src=\"" + server_.url("/icons/26.gif"));
    EXPECT_EQ(server_.requestCount("/icons/26.gif"), 1u);
    EXPECT_NE(viewerState.conditionIcon, nullptr);
}

TEST_F(IconDownloadTest, WithoutQuoteFetchesPreviousUrlAgain) {
    copyText(viewerState.conditionIconUrl, server_.url("/icons/26.gif").c_str());
    scan("<img");
    EXPECT_EQ(server_.requestCount("/icons/26.gif"), 1u);
    EXPECT_NE(viewerState.conditionIcon, nullptr);

    // Before any URL was taken nothing can be fetched, and the old icon is gone all the same.
    viewerState.conditionIconUrl[0] = '\0';
    scan("<img >");
    EXPECT_EQ(server_.requestCount(), 1u);
    EXPECT_EQ(viewerState.conditionIcon, nullptr);
}

TEST_F(IconDownloadTest, LongUrlIsFetchedWholeButNotRecorded) {
    std::string path = "/icons/26.gif?pad=" + std::string(600, 'p');
    scan("<img src=\"" + server_.url(path) + "\"/>");
    EXPECT_EQ(server_.lastRequest().target, path);
    EXPECT_NE(viewerState.conditionIcon, nullptr);
    EXPECT_STREQ(viewerState.conditionIconUrl, "");

    // Beyond the working buffer the URL cannot be held, so it is never cut and sent.
    giveIcon();
    path = "/icons/26.gif?pad=" + std::string(1100, 'p');
    scan("<img src=\"" + server_.url(path) + "\"/>");
    EXPECT_EQ(server_.requestCount(), 1u);
    EXPECT_EQ(viewerState.conditionIcon, nullptr);
}

TEST_F(IconDownloadTest, FailedDownloadEmptiesIconButKeepsWeather) {
    giveIcon();
    scan("<img src=\"" + server_.url("/icons/missing.gif") + "\"/>" +
         R"(<nweather:wind chill="-3" direction="0" speed="7"/>)");
    EXPECT_EQ(viewerState.conditionIcon, nullptr);
    EXPECT_EQ(viewerState.weather.windChill, -3);
}

}  // namespace
}  // namespace nubivo
