// nubivo-bench-large-map-host --port N [--side PIXELS]: the sample host's feed and icons, with
// every map path answered by one valid PNG of PIXELS x PIXELS (4096 unless given), a few
// dozen kilobytes that decode to tens of megabytes, as a server may send. For the memory
// figures of an update with oversized map pictures. Serves on 127.0.0.1 until SIGTERM.
#include <FreeImage.h>
#include <httplib.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "images/map_layers.h"
#include "hosts/sample/sample_server.h"

namespace {

// Bands of colour with a grid of thin lines: much like a map, and compressed to little.
std::string largePng(unsigned side) {
    FIBITMAP* bitmap = FreeImage_Allocate(static_cast<int>(side), static_cast<int>(side), 24);
    for (unsigned y = 0; y < side; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap, static_cast<int>(y));
        const unsigned band = y * 8 / side;
        for (unsigned x = 0; x < side; ++x) {
            BYTE* pixel = row + 3 * x;
            const bool line = x % 256 == 0 || y % 256 == 0;
            pixel[FI_RGBA_RED] = line ? 30 : static_cast<BYTE>(40 + band * 25);
            pixel[FI_RGBA_GREEN] = line ? 30 : static_cast<BYTE>(200 - band * 20);
            pixel[FI_RGBA_BLUE] = line ? 30 : static_cast<BYTE>(x * 4 / side * 60);
        }
    }
    FIMEMORY* memory = FreeImage_OpenMemory(nullptr, 0);
    std::string bytes;
    if (FreeImage_SaveToMemory(FIF_PNG, bitmap, memory, PNG_Z_BEST_COMPRESSION)) {
        BYTE* data = nullptr;
        DWORD size = 0;
        FreeImage_AcquireMemory(memory, &data, &size);
        bytes.assign(reinterpret_cast<const char*>(data), size);
    }
    FreeImage_CloseMemory(memory);
    FreeImage_Unload(bitmap);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    int port = 0;
    unsigned side = 4096;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--port") == 0) {
            port = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--side") == 0) {
            side = static_cast<unsigned>(std::atoi(argv[i + 1]));
        }
    }
    if (port <= 0 || side == 0 || side > 4096) {
        std::fprintf(stderr, "usage: %s --port N [--side PIXELS (1 to 4096)]\n", argv[0]);
        return 2;
    }

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const std::string picture = largePng(side);
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    nubivo::sample::SampleHost host(nubivo::host::systemSeconds, base);
    httplib::Server server;
    // The first route that matches answers: the large maps go before the sample host's own.
    for (int32_t region = 0; region < nubivo::regionCount; ++region) {
        for (int32_t layer = 0; layer < nubivo::mapLayerCount; ++layer) {
            server.Get(nubivo::mapImagePath[region][layer],
                       [&picture](const httplib::Request&, httplib::Response& response) {
                           response.set_header("Last-Modified", "Mon, 07 Dec 2026 10:00:00 GMT");
                           response.set_content(picture, "image/png");
                       });
        }
    }
    host.install(server);
    if (!server.bind_to_port("127.0.0.1", port)) {
        std::fprintf(stderr, "%s: cannot listen on 127.0.0.1:%d\n", argv[0], port);
        return 1;
    }
    std::thread stopper([&server, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    std::printf("map picture: %u x %u, %zu bytes\n", side, side, picture.size());
    std::fflush(stdout);
    server.listen_after_bind();
    pthread_kill(stopper.native_handle(), SIGTERM);  // ended by itself: end the waiter too
    stopper.join();
    return 0;
}
