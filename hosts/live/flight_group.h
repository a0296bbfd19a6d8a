#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace nubivo::live {

// One piece of upstream work under way; whoever asked for it may wait for its end.
class Flight {
  public:
    // True when the work ended within `wait`.
    bool waitFor(std::chrono::milliseconds wait);
    bool done();

  private:
    friend class FlightGroup;
    void finish();

    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
};

// Runs work in the background, at most one run per key at a time: asking for a key whose
// work is under way joins that run instead of starting another. The work goes on when its
// askers stop waiting; the group's destructor waits for every run, so the work must end in
// bounded time (the upstream client's limits and abortAll see to that).
class FlightGroup {
  public:
    FlightGroup() = default;
    FlightGroup(const FlightGroup&) = delete;
    FlightGroup& operator=(const FlightGroup&) = delete;
    ~FlightGroup();

    std::shared_ptr<Flight> run(const std::string& key, std::function<void()> work);

    // Runs under way now.
    size_t running();

  private:
    struct Run {
        std::thread thread;
        bool ended = false;
    };
    void reapEnded();

    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Flight>> flights_;
    std::list<Run> runs_;
};

}  // namespace nubivo::live
