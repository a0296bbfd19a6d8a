// nubivo-bench-first-update URL: the first whole update of a new process, which opens libcurl
// and FreeImage, against the second one, which finds them open. Both start from an empty
// record and go to the host at URL ("http://127.0.0.1:PORT", a sample host that has served
// its maps once already). Prints "first-update-ms N" and "second-update-ms N"; the script
// runs it in several processes.
#include <chrono>
#include <cstdio>

#include "images/map_layers.h"
#include "platform/server_addresses.h"
#include "state/viewer_state.h"
#include "state/window_bridge.h"
#include "worker/update_worker.h"

namespace {

void benchForm(char* location, size_t size, bool* celsius) {
    nubivo::copyText(location, size, "Lyon");
    *celsius = true;
}

double timedUpdate() {
    nubivo::resetViewerState();
    const auto start = std::chrono::steady_clock::now();
    nubivo::updateWorker();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s URL\n", argv[0]);
        return 2;
    }
    nubivo::setHostsForTesting(argv[1], argv[1]);
    nubivo::windowBridge.readForm = benchForm;
    const double first = timedUpdate();
    const double second = timedUpdate();
    const bool complete = nubivo::viewerState.layerImage[nubivo::Precipitation] != nullptr &&
                          nubivo::viewerState.conditionIcon != nullptr;

    nubivo::resetViewerState();
    if (!complete) {
        std::fprintf(stderr, "first-update: the update did not bring the icon and the maps\n");
        return 1;
    }
    std::printf("first-update-ms %.2f\nsecond-update-ms %.2f\n", first, second);
    return 0;
}
