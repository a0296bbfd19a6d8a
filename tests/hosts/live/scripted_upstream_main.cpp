// nubivo-scripted-upstream: the tests' stand-ins for the live host's services (forecast,
// place search, GIBS and EUMETSAT) on the system clock, on a port of their own, so that a live
// host can be run and looked at without the internet. Prints the options that point a live
// host at it and serves until SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>

#include "hosts/core/calendar.h"
#include "hosts/live/imagery.h"
#include "tests/hosts/live/scripted_upstream.h"

int main() {
    using namespace nubivo;
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    test::ScriptedUpstream upstream;
    upstream.addPlace({"Paris", "FR", "\xC3\x8Ele-de-France", 48.85341, 2.3488, 2138551, {}});
    upstream.wms.setClock(host::systemSeconds);
    // The composites of every day before today are there, as at the real service.
    upstream.setToday(live::imageryDay(host::systemSeconds() + 86400));
    std::printf("--forecast-url %s --geocoding-url %s --imagery-url %s --eumetsat-url %s\n",
                upstream.forecastUrl().c_str(), upstream.geocodingUrl().c_str(),
                upstream.imageryUrl().c_str(), upstream.eumetsatUrl().c_str());
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stop, &signal);
    return 0;
}
