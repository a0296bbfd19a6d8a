#include "platform/lazy_library.h"

#include <dlfcn.h>
#include <errno.h>

#include <cstdio>
#include <string>

namespace nubivo {

LazyLibrary::LazyLibrary(const char* soname, const char* loss, Resolver resolve, Starter start)
    : soname_(soname), loss_(loss), resolve_(resolve), start_(start) {}

bool LazyLibrary::ready() {
    int state = state_.load(std::memory_order_acquire);
    if (state != untried) {
        return state == open;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    state = state_.load(std::memory_order_relaxed);
    if (state == untried) {
        // The release store publishes the entry points the resolver wrote.
        state = attempt() ? open : failed;
        state_.store(state, std::memory_order_release);
    }
    return state == open;
}

bool LazyLibrary::isReady() const {
    return state_.load(std::memory_order_acquire) == open;
}

void LazyLibrary::reopenForTesting(const char* soname) {
    std::lock_guard<std::mutex> guard(mutex_);
    testSoname_ = soname;
    state_.store(untried, std::memory_order_release);
}

bool LazyLibrary::attempt() {
    const char* name = testSoname_ != nullptr ? testSoname_ : soname_;
    std::string reason;
    // RTLD_NOW: a library that lacks what it needs fails here, not at some later call.
    void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = dlerror();
        reason = error != nullptr ? error : "not found";
    } else if (!resolve_(handle)) {
        reason = "an entry point is missing";
    } else if (start_ != nullptr && !start_()) {
        reason = "it would not start";
    } else {
        return true;
    }
    // The handle, if any, stays open: a partly filled table may still point into it.
    std::fprintf(stderr, "%s: cannot load %s (%s); %s\n", program_invocation_short_name, name,
                 reason.c_str(), loss_);
    std::fflush(stderr);
    return false;
}

}  // namespace nubivo
