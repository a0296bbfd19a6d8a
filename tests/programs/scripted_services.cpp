// Stand-ins for every service the live host asks, on this machine, for looking at its maps
// in the viewer: the tests' scripted Open-Meteo, NASA GIBS and EUMETSAT on the system clock,
// and a scripted GFS bucket
// holding the newest run the clock allows at the model's resolution, with detailed weather.
// Prints the options that point nubivo-live-host at them, then serves until stopped.
#include <curl/curl.h>

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hosts/core/calendar.h"
#include "hosts/live/gfs_run.h"
#include "hosts/live/imagery.h"
#include "tests/hosts/live/scripted_bucket.h"
#include "tests/hosts/live/scripted_model.h"
#include "tests/hosts/live/scripted_upstream.h"

namespace {

volatile std::sig_atomic_t stopped = 0;

void stop(int) {
    stopped = 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace nubivo;
    int port = 0;
    int32_t columns = 1440;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--bucket-port") == 0)
            port = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--columns") == 0)
            columns = std::atoi(argv[i + 1]);
    }
    if (columns < 36 || columns > 1440 || columns % 4 != 0) {
        std::fprintf(stderr, "usage: nubivo-scripted-services [--bucket-port N] [--columns N]\n");
        return 2;
    }
    test::ScriptedUpstream upstream;
    upstream.addPlace({"Paris", "FR", "\xC3\x8Ele-de-France", 48.85341, 2.3488, 2138551, {}});
    upstream.wms.setClock(host::systemSeconds);
    // The composites of every day before today are there, as at the real service.
    upstream.setToday(live::imageryDay(host::systemSeconds() + 86400));
    test::ScriptedBucket bucket(port);
    // The run before the newest by the clock: the newest may still be appearing.
    const int64_t now = host::systemSeconds();
    const int64_t run = live::newestCycle(now) - live::cycleSeconds;
    test::ScriptedRun layout;
    layout.run = run;
    layout.columns = columns;
    layout.bitsPerValue = 12;
    layout.hours = live::periodHours(run, live::periodStart(now));
    test::putRun(bucket, layout, test::detailedWeather(run));
    std::printf(
        "--gfs-url %s --forecast-url %s --geocoding-url %s --imagery-url %s "
        "--eumetsat-url %s\n",
        bucket.url().c_str(), upstream.forecastUrl().c_str(), upstream.geocodingUrl().c_str(),
        upstream.imageryUrl().c_str(), upstream.eumetsatUrl().c_str());
    std::fflush(stdout);
    std::signal(SIGINT, stop);
    std::signal(SIGTERM, stop);
    while (!stopped)
        ::pause();
    return 0;
}
