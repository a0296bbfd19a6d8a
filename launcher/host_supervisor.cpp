#include "launcher/host_supervisor.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "launcher/file_lock.h"
#include "launcher/host_probe.h"

namespace nubivo::launcher {
namespace {

using Clock = std::chrono::steady_clock;

// How long a host has after SIGTERM before it is killed.
constexpr int stopGraceMs = 5000;

volatile sig_atomic_t stopRequested = 0;

void requestStop(int /*signal*/) {
    stopRequested = 1;
}

void sleepMs(int ms) {
    timespec pause{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);  // a signal cuts it short, which is what a stop wants
}

std::string describeEnd(int status) {
    if (WIFEXITED(status)) {
        return "ended with exit status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return std::string("was ended by signal ") + strsignal(WTERMSIG(status));
    }
    return "ended";
}

// True when `pid` has ended (and is reaped); `status` gets how.
bool hasEnded(pid_t pid, int* status) {
    for (;;) {
        const pid_t got = waitpid(pid, status, WNOHANG);
        if (got == pid) {
            return true;
        }
        if (got == 0) {
            return false;
        }
        if (errno != EINTR) {
            return true;  // not our child any more: nothing left to wait for
        }
    }
}

// SIGTERM, then SIGKILL when the grace runs out; returns once the host is reaped.
void stopHost(pid_t host) {
    int status = 0;
    if (hasEnded(host, &status)) {
        return;
    }
    kill(host, SIGTERM);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(stopGraceMs);
    while (Clock::now() < deadline) {
        if (hasEnded(host, &status)) {
            std::fprintf(stderr, "nubivo-weather: the host %s\n", describeEnd(status).c_str());
            return;
        }
        sleepMs(50);
    }
    kill(host, SIGKILL);
    while (waitpid(host, &status, 0) < 0 && errno == EINTR) {
    }
    std::fprintf(stderr, "nubivo-weather: the host did not end on SIGTERM and was killed\n");
}

// Tells the launcher how the start went: "ready" or an error text, one line.
void report(int fd, const std::string& message) {
    const std::string line = message + "\n";
    size_t written = 0;
    while (written < line.size()) {
        const ssize_t n = write(fd, line.data() + written, line.size() - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return;  // the launcher is gone; nobody to tell
        }
    }
}

// Standard input from /dev/null, output and errors to the log (or /dev/null).
void redirectOutput(const std::string& logPath) {
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (log < 0) {
        log = null;
    }
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
    }
    if (log >= 0) {
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
    }
}

pid_t startHost(const HostStart& start) {
    const pid_t supervisor = getpid();
    const pid_t host = fork();
    if (host != 0) {
        return host;
    }
    // Should the supervisor die without stopping it, the host is told to end all the same.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != supervisor) {
        _exit(1);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) {
        std::signal(signal, SIG_DFL);
    }
    const std::string port = std::to_string(start.port);
    const char* argv[] = {start.hostProgram.c_str(), "--port", port.c_str(), nullptr};
    execv(argv[0], const_cast<char* const*>(argv));
    std::fprintf(stderr, "nubivo-weather: cannot run %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
}

// The supervisor's whole life; never returns.
[[noreturn]] void supervise(const HostStart& start, int reportFd) {
    struct sigaction stop {};
    stop.sa_handler = requestStop;
    sigemptyset(&stop.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &stop, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);

    const pid_t host = startHost(start);
    if (host < 0) {
        report(reportFd, std::string("cannot start a process: ") + std::strerror(errno));
        _exit(1);
    }

    // Wait until it answers, ends, or the time is up.
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<long>(start.waitSeconds * 1000));
    for (;;) {
        int status = 0;
        if (hasEnded(host, &status)) {
            report(reportFd, start.hostProgram + " " + describeEnd(status) +
                                 " before it answered on 127.0.0.1:" + std::to_string(start.port) +
                                 "; its output is in " + start.logPath);
            _exit(1);
        }
        if (hostAnswers(start.port, 250)) {
            break;
        }
        if (Clock::now() >= deadline || stopRequested) {
            stopHost(host);
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%g", start.waitSeconds);
            report(reportFd, start.hostProgram + " did not answer on 127.0.0.1:" +
                                 std::to_string(start.port) + " within " + seconds +
                                 " s and was stopped; its output is in " + start.logPath);
            _exit(1);
        }
        sleepMs(50);
    }
    report(reportFd, "ready");
    close(reportFd);
    std::fprintf(stderr, "nubivo-weather: %s answers on 127.0.0.1:%d\n", start.hostProgram.c_str(),
                 start.port);

    LockFile users;
    std::string error;
    if (!users.open(start.usersLockPath, &error)) {
        std::fprintf(stderr, "nubivo-weather: %s; stopping the host\n", error.c_str());
        stopHost(host);
        _exit(1);
    }
    for (;;) {
        int status = 0;
        if (hasEnded(host, &status)) {
            std::fprintf(stderr, "nubivo-weather: the host %s by itself\n",
                         describeEnd(status).c_str());
            _exit(0);
        }
        if (stopRequested) {
            stopHost(host);
            _exit(0);
        }
        // Held until this process exits, so that a launcher arriving while the host stops
        // waits, and then finds the port free.
        if (users.tryLockExclusive()) {
            std::fprintf(stderr, "nubivo-weather: no viewer left; stopping the host\n");
            stopHost(host);
            _exit(0);
        }
        sleepMs(supervisorPollMs);
    }
}

// Reads the supervisor's one-line report, waiting at most `waitMs`; empty when none came.
std::string readReport(int fd, int waitMs) {
    std::string text;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    char buffer[512];
    while (text.find('\n') == std::string::npos && text.size() < 4096) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            break;
        }
        pollfd entry{fd, POLLIN, 0};
        const int ready = poll(&entry, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            break;
        }
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    const size_t end = text.find('\n');
    return end == std::string::npos ? std::string() : text.substr(0, end);
}

}  // namespace

bool startSupervisedHost(const HostStart& start, std::string* error) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    std::fflush(nullptr);
    const pid_t middle = fork();
    if (middle < 0) {
        *error = std::string("cannot start a process: ") + std::strerror(errno);
        close(pipeFds[0]);
        close(pipeFds[1]);
        return false;
    }
    if (middle == 0) {
        // A session of its own, and a grandchild so that nobody but init has to reap it:
        // the launcher becomes the viewer, which waits for no child.
        setsid();
        if (fork() != 0) {
            _exit(0);
        }
        // Keep nothing the launcher had open (its locks above all) but the report pipe, and
        // that one not for the host.
        int reportFd = pipeFds[1];
        if (reportFd != 3) {
            dup2(reportFd, 3);
            reportFd = 3;
        }
        fcntl(reportFd, F_SETFD, FD_CLOEXEC);
        close_range(4, ~0U, 0);
        redirectOutput(start.logPath);
        // Pins no folder the user might want to unmount or remove.
        if (chdir("/") != 0) {
            _exit(1);
        }
        supervise(start, reportFd);
    }
    close(pipeFds[1]);
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    // The supervisor gives its answer within the wait, plus what stopping a host may take.
    const int waitMs = static_cast<int>(start.waitSeconds * 1000) + stopGraceMs + 2000;
    const std::string answer = readReport(pipeFds[0], waitMs);
    close(pipeFds[0]);
    if (answer == "ready") {
        return true;
    }
    *error = answer.empty() ? "the host's supervisor gave no answer" : answer;
    return false;
}

}  // namespace nubivo::launcher
