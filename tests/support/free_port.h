#pragma once

namespace nubivo::test {

// A loopback port nothing listens on: taken from the system, then let go. Another process may
// take it before the caller binds it; tests that start a server of their own on it accept that.
int freePort();

}  // namespace nubivo::test
