#pragma once

#include <chrono>
#include <cstdio>

namespace nubivo::bench {

// Reports one start-up probe on standard error as "NAME NANOSECONDS" of the system clock, the
// clock the benchmark script reads the process's creation time against; flushed at once, so a
// program killed right after still has its line out.
inline void printProbeTime(const char* name) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::fprintf(
        stderr, "%s %lld\n", name,
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stderr);
}

}  // namespace nubivo::bench
