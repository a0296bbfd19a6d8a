#pragma once

#include <atomic>
#include <mutex>

namespace nubivo {

// A system library opened at its first use rather than by the dynamic loader at program
// start, so that a program starts without it and everything it pulls in. The first ready()
// from any thread opens it; other threads wait for that one. Once open it stays loaded to the
// end of the process, so entry points resolved from it never dangle.
class LazyLibrary {
  public:
    // Fills the owner's table of entry points from the opened library's dlopen `handle`;
    // false when one is missing. Runs under the library's lock, before any caller of ready()
    // can see the table.
    using Resolver = bool (*)(void* handle);
    // Runs once after a successful resolve, still under the lock (a library's global
    // initialisation); false leaves the library unusable. Null for none.
    using Starter = bool (*)();

    // `soname` as the dynamic loader looks it up; `loss` says what the program cannot do
    // without the library, for the message on standard error. Both must outlive the object.
    LazyLibrary(const char* soname, const char* loss, Resolver resolve, Starter start);
    LazyLibrary(const LazyLibrary&) = delete;
    LazyLibrary& operator=(const LazyLibrary&) = delete;

    // True when the library is open, every entry point resolved and started. A failure is
    // said once on standard error ("PROGRAM: cannot load SONAME (reason); LOSS") and stays:
    // later calls return false at once.
    bool ready();

    // True when an earlier ready() succeeded; never opens anything.
    bool isReady() const;

    // For tests: forgets the outcome, so the next ready() opens `soname` instead of the usual
    // name (null: the usual name again) and says a failure again. Only while no other thread
    // uses the library or its entry points.
    void reopenForTesting(const char* soname);

  private:
    enum State : int { untried = 0, open = 1, failed = 2 };

    bool attempt();

    const char* soname_;
    const char* testSoname_ = nullptr;
    const char* loss_;
    Resolver resolve_;
    Starter start_;
    std::mutex mutex_;
    std::atomic<int> state_{untried};
};

}  // namespace nubivo
