#pragma once

#include <string>

namespace nubivo::launcher {

// An open lock file (created 0600 when missing), closed on exec unless told otherwise, and
// closed when the object goes. The lock follows the open file: it is held for as long as
// this descriptor, or a copy a child inherited, stays open.
class LockFile {
  public:
    LockFile() = default;
    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    // Opens `path`; false with `error` set when it cannot.
    bool open(const std::string& path, std::string* error);

    // Blocking: waits until the lock is had. False only on an error.
    bool lockExclusive();
    bool lockShared();
    // Not waiting: true when the exclusive lock was free and is now held.
    bool tryLockExclusive();
    void unlock();

    // Lets the descriptor, with its lock, pass on to a program this process becomes by exec.
    bool keepAcrossExec();

  private:
    int fd_ = -1;
};

}  // namespace nubivo::launcher
