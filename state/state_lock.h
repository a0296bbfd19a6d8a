#pragma once

#include <atomic>
#include <mutex>

namespace nubivo {

// The lock of the viewer's record: a plain mutex whose releases a test can watch.
class StateLock {
  public:
    void lock() { mutex_.lock(); }
    bool try_lock() { return mutex_.try_lock(); }
    void unlock() {
        mutex_.unlock();
        if (void (*watch)() = releaseWatch.load(std::memory_order_acquire)) {
            watch();
        }
    }

    // For tests: called on the releasing thread after every release, with the lock free, so
    // that a test can look at the record at each moment a paint could. Null in the program.
    static inline std::atomic<void (*)()> releaseWatch{nullptr};

  private:
    std::mutex mutex_;
};

}  // namespace nubivo
