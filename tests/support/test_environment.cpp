#include "support/test_environment.h"

#include <cstdlib>

#include "images/image_download.h"
#include "platform/http.h"

namespace nubivo::test {

#ifdef NUBIVO_WITH_UI
void prepareWindowTests(int argc, char** argv);  // tests/ui
#endif

void prepareProcess([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
    // The tests talk only to servers on 127.0.0.1, never through a proxy from the environment.
    ::setenv("no_proxy", "*", 1);
    nubivo::httpGlobalInit();
    nubivo::initImageDecoding();
#ifdef NUBIVO_WITH_UI
    prepareWindowTests(argc, argv);
#endif
}

}  // namespace nubivo::test
