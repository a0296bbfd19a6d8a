#include "platform/lazy_library.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace nubivo {
namespace {

// zlib is on every machine that runs the viewer (Qt needs it) and has a stable entry point.
constexpr const char* presentLibrary = "libz.so.1";
constexpr const char* absentLibrary = "libnubivo-absent.so.7";

std::atomic<int> resolves{0};
std::atomic<int> starts{0};
std::atomic<bool> resolveSucceeds{true};
std::atomic<bool> startSucceeds{true};
void* resolvedEntry = nullptr;

bool countingResolve(void* handle) {
    ++resolves;
    // Slow enough that threads calling ready() together meet while the first one works.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    resolvedEntry = dlsym(handle, "zlibVersion");
    return resolveSucceeds && resolvedEntry != nullptr;
}

bool countingStart() {
    ++starts;
    return startSucceeds.load();
}

class LazyLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resolves = 0;
        starts = 0;
        resolveSucceeds = true;
        startSucceeds = true;
        resolvedEntry = nullptr;
    }
};

TEST_F(LazyLibraryTest, OpensOnceWhateverTheNumberOfThreadsAsking) {
    LazyLibrary library(presentLibrary, "nothing is lost", countingResolve, countingStart);
    EXPECT_FALSE(library.isReady());
    EXPECT_EQ(resolves.load(), 0);  // nothing is opened before the first use

    std::atomic<int> readyCount{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            if (library.ready()) {
                ++readyCount;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(readyCount.load(), 8);
    EXPECT_EQ(resolves.load(), 1);
    EXPECT_EQ(starts.load(), 1);
    EXPECT_NE(resolvedEntry, nullptr);
    EXPECT_TRUE(library.isReady());
}

TEST_F(LazyLibraryTest, SaysOnceWhatIsMissingAndStaysUnusable) {
    struct Case {
        const char* name;
        const char* soname;
        bool resolveSucceeds;
        bool startSucceeds;
        const char* reason;
        int resolves;
        int starts;
    };
    const Case cases[] = {
        {"no such library", absentLibrary, true, true, absentLibrary, 0, 0},
        {"an entry point missing", presentLibrary, false, true, "an entry point is missing", 1, 0},
        {"set-up refused", presentLibrary, true, false, "it would not start", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        resolveSucceeds = c.resolveSucceeds;
        startSucceeds = c.startSucceeds;
        LazyLibrary library(c.soname, "the weather cannot be fetched", countingResolve,
                            countingStart);
        testing::internal::CaptureStderr();
        bool first = library.ready();
        bool second = library.ready();
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(first);
        EXPECT_FALSE(second);
        EXPECT_FALSE(library.isReady());
        EXPECT_EQ(resolves.load(), c.resolves);
        EXPECT_EQ(starts.load(), c.starts);
        // One line, naming the library, the reason and what is lost.
        EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
        EXPECT_NE(said.find(std::string("cannot load ") + c.soname), std::string::npos) << said;
        EXPECT_NE(said.find(c.reason), std::string::npos) << said;
        EXPECT_NE(said.find("the weather cannot be fetched"), std::string::npos) << said;
    }
}

TEST_F(LazyLibraryTest, ReopeningForTestsTriesAgainUnderTheGivenName) {
    LazyLibrary library(presentLibrary, "nothing is lost", countingResolve, nullptr);
    library.reopenForTesting(absentLibrary);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(library.ready());
    library.reopenForTesting(absentLibrary);
    EXPECT_FALSE(library.ready());  // a second failure is said again after a reopen
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(resolves.load(), 0);
    size_t first = said.find(absentLibrary);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(said.find(absentLibrary, first + 1), std::string::npos) << said;

    library.reopenForTesting(nullptr);
    EXPECT_TRUE(library.ready());
    EXPECT_EQ(resolves.load(), 1);
}

}  // namespace
}  // namespace nubivo
