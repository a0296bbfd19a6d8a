#pragma once

#include <string>

namespace nubivo::launcher {

// What a supervised host is started with.
struct HostStart {
    std::string hostProgram;    // run as "PROGRAM --port N"
    int port = 0;               // on 127.0.0.1
    std::string usersLockPath;  // every viewer holds a shared lock on it while it runs
    std::string logPath;        // the host's output, written anew at each start
    double waitSeconds = 5.0;   // how long the host may take to answer
};

// How often the supervisor looks whether any viewer is left.
constexpr int supervisorPollMs = 1000;

// Starts a detached supervisor process (its own session, no terminal) that starts the host
// and waits until it answers. Returns true once it answers; otherwise false with `error`
// telling what happened, and no host left running.
//
// From then on the supervisor tries every supervisorPollMs for an exclusive lock on the users
// lock file; once it gets one no viewer is left, and it stops the host (SIGTERM, SIGKILL after
// 5 s), waits for it to end and exits, releasing the lock only then. It also exits when the
// host ends by itself, and stops the host when it is itself told to end (SIGTERM, SIGINT,
// SIGHUP); should the supervisor be killed outright, the host is sent SIGTERM by the kernel.
//
// The caller must hold a shared lock on the users lock file before calling, and keep it for
// as long as its viewer runs, or the supervisor stops the host at its first look.
bool startSupervisedHost(const HostStart& start, std::string* error);

}  // namespace nubivo::launcher
