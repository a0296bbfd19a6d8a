#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "locations/location_test_support.h"
#include "launcher/launch.h"
#include "launcher/launch_options.h"
#include "launcher/runtime_dir.h"

namespace nubivo::test {
namespace {

using launcher::ParseOutcome;
using launcher::ParseResult;

ParseResult parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "nubivo-weather");
    return launcher::parseLaunchOptions(static_cast<int>(arguments.size()), arguments.data());
}

TEST(LaunchOptionsTest, ReadsEveryOptionInBothSpellings) {
    ParseResult plain = parse({});
    EXPECT_EQ(plain.outcome, ParseOutcome::Launch);
    EXPECT_FALSE(plain.options.sample);
    EXPECT_EQ(plain.options.port, 8642);
    EXPECT_DOUBLE_EQ(plain.options.waitSeconds, 5.0);
    EXPECT_TRUE(plain.options.hostProgram.empty());

    ParseResult all = parse({"--sample", "--port", "9000", "--host=/h", "--viewer", "/v",
                             "--data-dir=/d", "--wait", "0.5", "--", "--port", "x"});
    ASSERT_EQ(all.outcome, ParseOutcome::Launch) << all.error;
    EXPECT_TRUE(all.options.sample);
    EXPECT_EQ(all.options.port, 9000);
    EXPECT_EQ(all.options.hostProgram, "/h");
    EXPECT_EQ(all.options.viewerProgram, "/v");
    EXPECT_EQ(all.options.dataDir, "/d");
    EXPECT_DOUBLE_EQ(all.options.waitSeconds, 0.5);
    EXPECT_EQ(all.options.viewerArguments, (std::vector<std::string>{"--port", "x"}))
        << "everything after -- belongs to the viewer";
}

TEST(LaunchOptionsTest, RefusesWhatItCannotUse) {
    struct Case {
        std::vector<const char*> arguments;
        ParseOutcome outcome;
        const char* error;  // a part of the message
    };
    const Case cases[] = {
        {{"--help"}, ParseOutcome::Help, ""},
        {{"-h", "--bogus"}, ParseOutcome::Help, ""},
        {{"--version"}, ParseOutcome::Version, ""},
        {{"--port", "0"}, ParseOutcome::Error, "bad port '0'"},
        {{"--port=65536"}, ParseOutcome::Error, "bad port"},
        {{"--port", "80x"}, ParseOutcome::Error, "bad port"},
        {{"--port", "+80"}, ParseOutcome::Error, "bad port"},
        {{"--port= 80"}, ParseOutcome::Error, "bad port"},
        {{"--port"}, ParseOutcome::Error, "needs a value"},
        {{"--host="}, ParseOutcome::Error, "needs a value"},
        {{"--wait", "0"}, ParseOutcome::Error, "bad wait"},
        {{"--wait", "nan"}, ParseOutcome::Error, "bad wait"},
        {{"--wait=601"}, ParseOutcome::Error, "bad wait"},
        {{"--portable"}, ParseOutcome::Error, "unknown option '--portable'"},
        {{"live"}, ParseOutcome::Error, "unknown option"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        ParseResult result = parse(c.arguments);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
    }
}

TEST(LaunchPathsTest, ProgramsBesideTheLauncherAndLocksByPort) {
    launcher::LaunchOptions options;
    launcher::LaunchPaths live =
        launcher::launchPaths(options, "/usr/bin", "../share/nubivo-weather-viewer", "/run/x");
    EXPECT_EQ(live.hostProgram, "/usr/bin/nubivo-live-host");
    EXPECT_EQ(live.viewerProgram, "/usr/bin/nubivo-weather-viewer");
    EXPECT_EQ(live.dataDir, "/usr/bin/../share/nubivo-weather-viewer");
    EXPECT_EQ(live.startLockPath, "/run/x/port-8642.start.lock");
    EXPECT_EQ(live.usersLockPath, "/run/x/port-8642.users.lock");
    EXPECT_EQ(live.logPath, "/run/x/port-8642.host.log");

    options.sample = true;
    options.port = 9000;
    launcher::LaunchPaths sample = launcher::launchPaths(options, "/opt/b", "d", "/r");
    EXPECT_EQ(sample.hostProgram, "/opt/b/nubivo-sample-host");
    EXPECT_EQ(sample.usersLockPath, "/r/port-9000.users.lock");

    options.hostProgram = "/h";
    options.viewerProgram = "/v";
    options.dataDir = "/d";
    launcher::LaunchPaths given = launcher::launchPaths(options, "/opt/b", "d", "/r");
    EXPECT_EQ(given.hostProgram, "/h");
    EXPECT_EQ(given.viewerProgram, "/v");
    EXPECT_EQ(given.dataDir, "/d");
}

TEST(RuntimeDirectoryTest, MadePrivateAndRefusedWhenOthersCouldReachIt) {
    TemporaryFolder folder;
    const std::string base = folder.path().string();
    std::string error;

    const std::string fresh = base + "/fresh";
    ASSERT_TRUE(launcher::prepareRuntimeDirectory(fresh, &error)) << error;
    struct stat info {};
    ASSERT_EQ(stat(fresh.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(launcher::prepareRuntimeDirectory(fresh, &error)) << "an existing one is fine";

    const std::string open = base + "/open";
    ASSERT_EQ(mkdir(open.c_str(), 0700), 0);
    ASSERT_EQ(chmod(open.c_str(), 0755), 0);
    EXPECT_FALSE(launcher::prepareRuntimeDirectory(open, &error));
    EXPECT_NE(error.find("mode 0700"), std::string::npos) << error;

    const std::string link = base + "/link";
    ASSERT_EQ(symlink(fresh.c_str(), link.c_str()), 0);
    EXPECT_FALSE(launcher::prepareRuntimeDirectory(link, &error)) << "a planted link";

    const std::string file = base + "/file";
    writeBytes(file, "x");
    EXPECT_FALSE(launcher::prepareRuntimeDirectory(file, &error));

    // $XDG_RUNTIME_DIR when it is absolute, otherwise a folder of this user's under /tmp.
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string restore = saved != nullptr ? saved : "";
    setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
    EXPECT_EQ(launcher::runtimeDirectory(&error), base + "/nubivo-weather");
    setenv("XDG_RUNTIME_DIR", "relative/run", 1);
    EXPECT_EQ(launcher::runtimeDirectory(&error),
              "/tmp/nubivo-weather-" + std::to_string(getuid()));
    if (saved != nullptr) {
        setenv("XDG_RUNTIME_DIR", restore.c_str(), 1);
    } else {
        unsetenv("XDG_RUNTIME_DIR");
    }
}

}  // namespace
}  // namespace nubivo::test
