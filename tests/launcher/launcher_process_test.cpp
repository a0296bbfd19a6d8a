// The launcher as a person's desktop runs it: real processes, the sample host (or small
// scripts in its place) on a free port, and a stand-in viewer that records where it was
// started and then sleeps.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "launcher/host_probe.h"
#include "locations/location_test_support.h"
#include "project_values.h"
#include "support/free_port.h"

extern char** environ;

namespace nubivo::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Polls `done` every 50 ms until it holds or `limit` has passed; true when it held.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const Clock::time_point end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

bool exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

std::string readText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A process that is not our child is gone once the process that reaped it did so.
bool processGone(pid_t pid) {
    return kill(pid, 0) != 0 && errno == ESRCH;
}

class LauncherProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = folder_.path().string();
        ASSERT_EQ(mkdir((base_ + "/run").c_str(), 0700), 0);
        ASSERT_EQ(mkdir((base_ + "/data").c_str(), 0755), 0);
        port_ = freePort();
        viewer_ = script("viewer",
                         "pwd > \"$1.tmp\"\n"
                         "mv \"$1.tmp\" \"$1\"\n"
                         "exec sleep 300\n");
        host_ = hostScript("host", "0", "");
    }

    void TearDown() override {
        for (pid_t pid : launched_) {
            kill(pid, SIGKILL);
            int status = 0;
            waitpid(pid, &status, 0);
        }
        // Whatever host a failing test left: stopped by its own id.
        for (pid_t pid : hostPids()) {
            if (!processGone(pid)) {
                kill(pid, SIGTERM);
                waitUntil([pid] { return processGone(pid); }, 5s);
            }
        }
    }

    std::string script(const std::string& name, const std::string& body) {
        const std::string path = base_ + "/" + name;
        writeBytes(path, "#!/bin/sh\n" + body);
        chmod(path.c_str(), 0755);
        return path;
    }

    // A host that records its process id in "starts", waits `delay` seconds and becomes the
    // sample host; `before` runs first.
    std::string hostScript(const std::string& name, const std::string& delay,
                           const std::string& before) {
        return script(name, before + "echo $$ >> '" + base_ + "/starts'\nsleep " + delay +
                                "\nexec '" NUBIVO_SAMPLE_HOST_PROGRAM "' \"$@\"\n");
    }

    std::vector<pid_t> hostPids() const {
        std::vector<pid_t> pids;
        std::ifstream file(base_ + "/starts");
        pid_t pid = 0;
        while (file >> pid) {
            pids.push_back(pid);
        }
        return pids;
    }

    // Starts the launcher with the stand-in viewer, which writes its working folder to
    // `mark` once it runs; output and errors go to `mark`.log.
    pid_t launch(const std::string& mark, std::vector<std::string> options = {}) {
        std::vector<std::string> arguments = {NUBIVO_LAUNCHER_PROGRAM,
                                              "--port",
                                              std::to_string(port_),
                                              "--host",
                                              host_,
                                              "--viewer",
                                              viewer_,
                                              "--data-dir",
                                              base_ + "/data"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back("--");
        arguments.push_back(base_ + "/" + mark);
        return spawn(arguments, base_ + "/" + mark + ".log");
    }

    pid_t spawn(const std::vector<std::string>& arguments, const std::string& output) {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            if (std::strncmp(*entry, "XDG_RUNTIME_DIR=", 16) != 0) {
                environment.emplace_back(*entry);
            }
        }
        environment.push_back("XDG_RUNTIME_DIR=" + base_ + "/run");
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& entry : environment) {
            envp.push_back(const_cast<char*>(entry.c_str()));
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t pid = -1;
        const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(failed, 0) << std::strerror(failed);
        launched_.push_back(pid);
        return pid;
    }

    // The exit status of our child `pid` once it ends within `limit`; -1 when it does not.
    static int exitStatus(pid_t pid, std::chrono::milliseconds limit) {
        int status = -1;
        const bool ended = waitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit);
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Ends a stand-in viewer the way given and reaps it.
    void endViewer(pid_t pid, int signal) {
        kill(pid, signal);
        int status = 0;
        waitpid(pid, &status, 0);
        std::erase(launched_, pid);
    }

    bool viewerRuns(const std::string& mark) {
        return waitUntil([&] { return exists(base_ + "/" + mark); }, 15s);
    }

    bool answers() const { return launcher::hostAnswers(port_, 500); }

    // The host ended and the port is free again, within the launcher's promise of 10 s.
    bool hostStopsWithinTenSeconds(pid_t host) {
        return waitUntil([&] { return processGone(host) && !answers(); }, 10s);
    }

    TemporaryFolder folder_;
    std::string base_;
    int port_ = 0;
    std::string viewer_;
    std::string host_;
    std::vector<pid_t> launched_;
};

TEST_F(LauncherProcessTest, StartsAHostRunsTheViewerInItsFolderAndStopsTheHostAfter) {
    const pid_t viewer = launch("one");
    ASSERT_TRUE(viewerRuns("one")) << readText(base_ + "/one.log");
    EXPECT_TRUE(answers()) << "the viewer starts only once the host answers";
    EXPECT_EQ(readText(base_ + "/one"), base_ + "/data\n");
    ASSERT_EQ(hostPids().size(), 1u);
    const pid_t host = hostPids()[0];

    std::this_thread::sleep_for(2500ms);
    EXPECT_FALSE(processGone(host)) << "the host stays while its viewer runs";

    const Clock::time_point ended = Clock::now();
    endViewer(viewer, SIGTERM);
    EXPECT_TRUE(hostStopsWithinTenSeconds(host));
    std::printf(
        "host gone %lld ms after its viewer\n",
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - ended).count()));
    EXPECT_NE(readText(base_ + "/run/nubivo-weather/port-" + std::to_string(port_) + ".host.log")
                  .find("serving on"),
              std::string::npos)
        << "the host's output is kept in the runtime folder";
}

TEST_F(LauncherProcessTest, ASecondViewerReusesTheHostAndAKilledViewerStillStopsIt) {
    const pid_t first = launch("first");
    ASSERT_TRUE(viewerRuns("first")) << readText(base_ + "/first.log");
    const pid_t second = launch("second");
    ASSERT_TRUE(viewerRuns("second")) << readText(base_ + "/second.log");
    ASSERT_EQ(hostPids().size(), 1u) << "one host for both";
    const pid_t host = hostPids()[0];

    endViewer(first, SIGKILL);
    std::this_thread::sleep_for(2500ms);
    EXPECT_TRUE(answers()) << "the second viewer still needs it";
    EXPECT_FALSE(processGone(host));

    endViewer(second, SIGKILL);  // a crash: nothing of the viewer's own runs at its end
    EXPECT_TRUE(hostStopsWithinTenSeconds(host));
}

TEST_F(LauncherProcessTest, TwoLaunchersAtOnceStartOneHost) {
    host_ = hostScript("slow-host", "0.7", "");
    launch("a");
    launch("b");
    ASSERT_TRUE(viewerRuns("a")) << readText(base_ + "/a.log");
    ASSERT_TRUE(viewerRuns("b")) << readText(base_ + "/b.log");
    EXPECT_EQ(hostPids().size(), 1u);
    EXPECT_TRUE(answers());
}

TEST_F(LauncherProcessTest, AHostStartedByHandIsNeverStopped) {
    const pid_t byHand =
        spawn({NUBIVO_SAMPLE_HOST_PROGRAM, "--port", std::to_string(port_)}, base_ + "/hand.log");
    ASSERT_TRUE(waitUntil([&] { return answers(); }, 10s));
    const pid_t viewer = launch("v");
    ASSERT_TRUE(viewerRuns("v")) << readText(base_ + "/v.log");
    EXPECT_TRUE(hostPids().empty()) << "nothing started";
    endViewer(viewer, SIGKILL);
    std::this_thread::sleep_for(3s);
    int status = 0;
    EXPECT_EQ(waitpid(byHand, &status, WNOHANG), 0) << "still running";
    EXPECT_TRUE(answers());
}

TEST_F(LauncherProcessTest, ALauncherArrivingWhileAHostStopsStartsANewOne) {
    // This host takes two seconds to end after SIGTERM, and says when it begins to.
    host_ = script("slow-stop",
                   "echo $$ >> '" + base_ +
                       "/starts'\n'" NUBIVO_SAMPLE_HOST_PROGRAM
                       "' \"$@\" &\nchild=$!\n"
                       "trap 'touch \"" +
                       base_ + "/stopping\"; sleep 2; kill $child; wait $child; exit 0' TERM\n" +
                       "wait $child\n");
    const pid_t first = launch("first");
    ASSERT_TRUE(viewerRuns("first")) << readText(base_ + "/first.log");
    endViewer(first, SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return exists(base_ + "/stopping"); }, 10s));
    ASSERT_EQ(hostPids().size(), 1u);
    const pid_t old = hostPids()[0];

    const pid_t second = launch("second");
    ASSERT_TRUE(viewerRuns("second")) << readText(base_ + "/second.log");
    EXPECT_TRUE(processGone(old)) << "the launcher waited for the old host to end";
    ASSERT_EQ(hostPids().size(), 2u) << "and then started a new one";
    EXPECT_TRUE(answers());
    endViewer(second, SIGTERM);
    EXPECT_TRUE(hostStopsWithinTenSeconds(hostPids()[1]));
}

TEST_F(LauncherProcessTest, AHostThatCannotServeGivesAClearError) {
    struct Case {
        const char* name;
        std::string body;  // of the host script; empty for no program at all
        const char* message;
    };
    const Case cases[] = {
        {"silent", "echo $$ >> '" + base_ + "/starts'\nexec sleep 60\n",
         "did not answer on 127.0.0.1:"},
        {"failing", "echo $$ >> '" + base_ + "/starts'\necho cannot bind >&2\nexit 3\n",
         "ended with exit status 3 before it answered"},
        {"missing", "", "is not an executable file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove((base_ + "/starts").c_str());
        host_ = c.body.empty() ? base_ + "/no-such-host" : script(c.name, c.body);
        const std::string mark = std::string("viewer-") + c.name;
        const Clock::time_point start = Clock::now();
        const pid_t launcher = launch(mark, {"--wait", "1"});
        EXPECT_EQ(exitStatus(launcher, 20s), 1);
        std::erase(launched_, launcher);
        EXPECT_LT(Clock::now() - start, 10s);
        const std::string log = readText(base_ + "/" + mark + ".log");
        EXPECT_NE(log.find(c.message), std::string::npos) << log;
        EXPECT_FALSE(exists(base_ + "/" + mark)) << "no viewer without a host";
        for (pid_t host : hostPids()) {
            EXPECT_TRUE(waitUntil([host] { return processGone(host); }, 5s)) << "left running";
        }
    }
    EXPECT_FALSE(answers());
}

TEST_F(LauncherProcessTest, AnswersHelpAndVersionAndRefusesBadOptions) {
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string output;
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: nubivo-weather [--sample]"},
        {{"--version"}, 0, std::string("nubivo-weather ") + projectVersion + "\n"},
        {{"--port", "0"}, 2, "bad port '0'"},
        {{"--viewer", "/nonexistent/viewer"}, 1, "cannot find the viewer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        std::vector<std::string> arguments = {NUBIVO_LAUNCHER_PROGRAM};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const pid_t pid = spawn(arguments, base_ + "/out");
        EXPECT_EQ(exitStatus(pid, 10s), c.status);
        std::erase(launched_, pid);
        const std::string output = readText(base_ + "/out");
        EXPECT_NE(output.find(c.output), std::string::npos) << output;
    }
    EXPECT_TRUE(hostPids().empty());
}

}  // namespace
}  // namespace nubivo::test
