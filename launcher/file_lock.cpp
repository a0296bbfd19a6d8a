#include "launcher/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace nubivo::launcher {
namespace {

bool flockRetrying(int fd, int operation) {
    while (flock(fd, operation) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace

LockFile::~LockFile() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool LockFile::open(const std::string& path, std::string* error) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool LockFile::lockExclusive() {
    return flockRetrying(fd_, LOCK_EX);
}

bool LockFile::lockShared() {
    return flockRetrying(fd_, LOCK_SH);
}

bool LockFile::tryLockExclusive() {
    return flockRetrying(fd_, LOCK_EX | LOCK_NB);
}

void LockFile::unlock() {
    flockRetrying(fd_, LOCK_UN);
}

bool LockFile::keepAcrossExec() {
    const int flags = fcntl(fd_, F_GETFD);
    return flags >= 0 && fcntl(fd_, F_SETFD, flags & ~FD_CLOEXEC) == 0;
}

}  // namespace nubivo::launcher
