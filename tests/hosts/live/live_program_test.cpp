// nubivo-live-host as a program: its options, its answers to a bad command line, and a clean
// end on SIGTERM and SIGINT.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "hosts/live/live_options.h"
#include "support/local_server.h"
#include "tests/locations/location_test_support.h"

extern char** environ;

namespace nubivo {
namespace {

// The host started with some arguments, all it prints going to one file.
struct Process {
    pid_t pid = -1;
    std::string outputFile;
};

Process launch(const std::vector<std::string>& args, const std::string& outputFile) {
    std::vector<char*> argv;
    std::vector<std::string> words = args;
    words.insert(words.begin(), NUBIVO_LIVE_HOST_PROGRAM);
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    Process run;
    run.outputFile = outputFile;
    if (posix_spawn(&run.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        run.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

// The exit status of `run`, or -1 (and it is killed) when it does not end within `seconds`.
int waitFor(const Process& run, int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
        int status = 0;
        if (waitpid(run.pid, &status, WNOHANG) == run.pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(run.pid, SIGKILL);
    waitpid(run.pid, nullptr, 0);
    return -1;
}

std::string contents(const std::string& path) {
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, got);
        std::fclose(file);
    }
    return text;
}

class LiveProgramTest : public ::testing::Test {
  protected:
    std::string output() const { return (folder.path() / "output.txt").string(); }
    test::TemporaryFolder folder;
};

TEST_F(LiveProgramTest, HelpVersionAndBadCommandLines) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {{"--help"}, 0, "--satellite-refresh SECONDS"},
        {{"--version"}, 0, "nubivo-live-host 1.0.0"},
        {{"--bogus"}, 2, "unknown option '--bogus'"},
        {{"--port"}, 2, "needs a value"},
        {{"--port", "70000"}, 2, "--port takes a number"},
        {{"--feed-ttl=-5"}, 2, "--feed-ttl takes"},
        {{"--map-refresh", "soon"}, 2, "--map-refresh takes"},
        {{"--satellite-refresh=0"}, 2, "--satellite-refresh takes"},
        {{"--eumetsat-url", "view.eumetsat.int"}, 2, "http or https URL"},
        {{"--forecast-url", "ftp://x"}, 2, "http or https URL"},
        {{"--gfs-url", "s3://noaa-gfs-bdp-pds"}, 2, "--gfs-url takes an http or https URL"},
        {{"extra"}, 2, "unknown option 'extra'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const Process run = launch(c.args, output());
        ASSERT_GT(run.pid, 0);
        EXPECT_EQ(waitFor(run, 10), c.status);
        EXPECT_NE(contents(output()).find(c.says), std::string::npos) << contents(output());
    }
}

TEST_F(LiveProgramTest, OptionsReachTheConfiguration) {
    std::vector<std::string> words = {"nubivo-live-host",
                                      "--port=9000",
                                      "--cache-dir",
                                      "/tmp/c",
                                      "--forecast-url",
                                      "http://127.0.0.1:1/v1/forecast",
                                      "--geocoding-url=https://g/v1/search",
                                      "--imagery-url",
                                      "https://i/wms.cgi",
                                      "--gfs-url=http://127.0.0.1:2",
                                      "--eumetsat-url=https://e/geoserver/wms",
                                      "--feed-ttl",
                                      "60",
                                      "--map-refresh=600",
                                      "--satellite-refresh",
                                      "900"};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    live::LiveConfig config;
    std::string error;
    ASSERT_EQ(live::parseCommandLine(static_cast<int>(argv.size()), argv.data(), &config, &error),
              live::CommandLine::Run)
        << error;
    EXPECT_EQ(config.port, 9000);
    EXPECT_EQ(config.cacheFolder, "/tmp/c");
    EXPECT_EQ(config.forecastUrl, "http://127.0.0.1:1/v1/forecast");
    EXPECT_EQ(config.geocodingUrl, "https://g/v1/search");
    EXPECT_EQ(config.imageryUrl, "https://i/wms.cgi");
    EXPECT_EQ(config.gfsUrl, "http://127.0.0.1:2");
    EXPECT_EQ(config.feedTtl, 60);
    EXPECT_EQ(config.mapRefresh, 600);
    EXPECT_EQ(config.eumetsatUrl, "https://e/geoserver/wms");
    EXPECT_EQ(config.satelliteRefresh, 900);

    // The defaults: the providers' own endpoints, the times of the documentation, and a
    // cache under XDG_CACHE_HOME.
    live::LiveConfig defaults;
    char* plain[] = {words[0].data()};
    ::setenv("XDG_CACHE_HOME", "/tmp/xdg", 1);
    ASSERT_EQ(live::parseCommandLine(1, plain, &defaults, &error), live::CommandLine::Run);
    ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(defaults.port, 8642);
    EXPECT_EQ(defaults.cacheFolder, "/tmp/xdg/nubivo-weather-viewer");
    EXPECT_EQ(defaults.forecastUrl, "https://api.open-meteo.com/v1/forecast");
    EXPECT_EQ(defaults.geocodingUrl, "https://geocoding-api.open-meteo.com/v1/search");
    EXPECT_EQ(defaults.imageryUrl, "https://gibs.earthdata.nasa.gov/wms/epsg4326/best/wms.cgi");
    EXPECT_EQ(defaults.gfsUrl, "https://noaa-gfs-bdp-pds.s3.amazonaws.com");
    EXPECT_EQ(defaults.feedTtl, 900);
    EXPECT_EQ(defaults.mapRefresh, 10800);
    EXPECT_EQ(defaults.eumetsatUrl, "https://view.eumetsat.int/geoserver/wms");
    EXPECT_EQ(defaults.satelliteRefresh, 1200);
    EXPECT_LE(defaults.coldWait.count(), 20000);
    EXPECT_LE(defaults.staleWait.count() + 500, 3000);
}

TEST_F(LiveProgramTest, StopSignalsEndItCleanly) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const int port = test::closedPort();
        const std::string closed = "http://127.0.0.1:" + std::to_string(test::closedPort());
        const Process run =
            launch({"--port", std::to_string(port), "--cache-dir",
                    (folder.path() / "cache").string(), "--forecast-url", closed, "--geocoding-url",
                    closed, "--imagery-url", closed, "--gfs-url", closed},
                   output());
        ASSERT_GT(run.pid, 0);
        bool answered = false;
        for (int i = 0; i < 100 && !answered; ++i) {
            httplib::Client client("127.0.0.1", port);
            const httplib::Result result = client.Get("/forecastrss?p=Paris&u=c");
            answered = result && result->status == 503;
            if (!answered)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_TRUE(answered) << contents(output());
        kill(run.pid, signal);
        EXPECT_EQ(waitFor(run, 10), 0) << contents(output());
    }
}

}  // namespace
}  // namespace nubivo
