#include "hosts/live/flight_group.h"

namespace nubivo::live {

bool Flight::waitFor(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    return ended_.wait_for(lock, wait, [this] { return done_; });
}

bool Flight::done() {
    std::lock_guard<std::mutex> guard(mutex_);
    return done_;
}

void Flight::finish() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        done_ = true;
    }
    ended_.notify_all();
}

FlightGroup::~FlightGroup() {
    std::list<Run> runs;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        runs.swap(runs_);
    }
    for (Run& run : runs) {
        if (run.thread.joinable())
            run.thread.join();
    }
}

std::shared_ptr<Flight> FlightGroup::run(const std::string& key, std::function<void()> work) {
    std::lock_guard<std::mutex> guard(mutex_);
    reapEnded();
    if (const auto found = flights_.find(key); found != flights_.end())
        return found->second;
    auto flight = std::make_shared<Flight>();
    flights_[key] = flight;
    runs_.emplace_back();
    Run* run = &runs_.back();
    run->thread = std::thread([this, key, flight, run, work = std::move(work)] {
        work();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            flights_.erase(key);
            run->ended = true;
        }
        // Waiters see the end only after a new ask would start a new run.
        flight->finish();
    });
    return flight;
}

size_t FlightGroup::running() {
    std::lock_guard<std::mutex> guard(mutex_);
    return flights_.size();
}

void FlightGroup::reapEnded() {
    for (auto it = runs_.begin(); it != runs_.end();) {
        if (it->ended) {
            it->thread.join();
            it = runs_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace nubivo::live
