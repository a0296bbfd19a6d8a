#pragma once

namespace nubivo::test {

// Process-wide set-up before any test runs: libcurl and the image decoders, and (when the
// window's tests are built in) the Qt application on the offscreen platform.
void prepareProcess(int argc, char** argv);

}  // namespace nubivo::test
