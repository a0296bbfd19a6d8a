#include "worker/update_worker.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "feed/feed_request.h"
#include "images/image_download.h"
#include "images/map_layers.h"
#include "platform/http.h"
#include "state/viewer_state.h"
#include "state/window_bridge.h"

namespace nubivo {
namespace {

// The one worker thread and what the Update button asked of it. `running` is true from the
// press (or preparation) that starts the thread until its last job ends; `pending` holds the
// presses that came meanwhile, folded into one.
std::mutex workerMutex;
std::condition_variable workerIdle;
std::thread workerThread;
bool running = false;
bool pending = false;

constexpr auto shutdownWait = std::chrono::seconds(2);

// What the worker thread does first: an update, or loading the libraries an update needs.
enum class FirstJob { update, prepare };

void runWorker(FirstJob first) {
    if (first == FirstJob::prepare) {
        httpGlobalInit();
        initImageDecoding();
    } else {
        updateWorker();
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(workerMutex);
            if (!pending) {
                running = false;
                workerIdle.notify_all();
                return;
            }
            pending = false;
        }
        updateWorker();
    }
}

// Under workerMutex, with no job running: a thread for `first`.
void startWorker(FirstJob first) {
    // The previous thread has finished its last job; joining it takes no time.
    if (workerThread.joinable()) {
        workerThread.join();
    }
    running = true;
    workerThread = std::thread(runWorker, first);
}

}  // namespace

void updateWorker() {
    for (std::atomic<int32_t>& ready : viewerState.layerReady) {
        ready.store(0, std::memory_order_release);
    }
    requestRepaint(mapPanelRect);
    fetchFeed();
    requestRepaint(infoPanelRect);
    for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
        fetchMapLayer(static_cast<MapLayer>(layer));
        viewerState.layerReady[layer].store(1, std::memory_order_release);
        requestRepaint(mapPanelRect);
    }
}

void startUpdate() {
    std::lock_guard<std::mutex> guard(workerMutex);
    if (running) {
        pending = true;
        return;
    }
    startWorker(FirstJob::update);
}

void prepareUpdates() {
    std::lock_guard<std::mutex> guard(workerMutex);
    if (running) {
        return;  // an update under way has loaded them, or a preparation is loading them
    }
    startWorker(FirstJob::prepare);
}

void waitForUpdates() {
    std::unique_lock<std::mutex> lock(workerMutex);
    workerIdle.wait(lock, [] { return !running; });
    if (workerThread.joinable()) {
        workerThread.join();
    }
}

bool stopUpdates() {
    std::unique_lock<std::mutex> lock(workerMutex);
    pending = false;
    httpCancelAll();
    if (!workerIdle.wait_for(lock, shutdownWait, [] { return !running; })) {
        // The worker is stuck somewhere no cancel reaches: leave it, and its images, to the
        // end of the process.
        workerThread.detach();
        return false;
    }
    if (workerThread.joinable()) {
        workerThread.join();
    }
    return true;
}

}  // namespace nubivo
