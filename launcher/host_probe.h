#pragma once

namespace nubivo::launcher {

// True when a web server answers on 127.0.0.1:`port`: a connection is taken and a HEAD
// request gets the beginning of an HTTP status line within `timeoutMs` in all. A port that
// takes connections but never answers, or answers something else, does not count.
bool hostAnswers(int port, int timeoutMs);

}  // namespace nubivo::launcher
