#include "support/test_environment.h"

#include "images/image_download.h"

namespace nubivo::test {

#ifdef NUBIVO_WITH_UI
void prepareWindowTests(int argc, char** argv);  // tests/ui
#endif

void prepareProcess([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
    nubivo::initImageDecoding();
#ifdef NUBIVO_WITH_UI
    prepareWindowTests(argc, argv);
#endif
}

}  // namespace nubivo::test
