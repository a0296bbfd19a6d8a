#pragma once

#include <curl/curl.h>

namespace nubivo {

// The libcurl entry points the HTTP layer calls, each named as its curl_ function without
// the prefix (`easy_init` for curl_easy_init).
#define NUBIVO_CURL_ENTRY_POINTS(X) \
    X(global_init)                  \
    X(easy_init)                    \
    X(easy_cleanup)                 \
    X(easy_setopt)                  \
    X(easy_pause)                   \
    X(multi_init)                   \
    X(multi_cleanup)                \
    X(multi_add_handle)             \
    X(multi_remove_handle)          \
    X(multi_perform)                \
    X(multi_poll)                   \
    X(multi_info_read)              \
    X(multi_wakeup)                 \
    X(slist_append)                 \
    X(slist_free_all)

struct CurlLibrary {
#define NUBIVO_CURL_FIELD(name) decltype(&::curl_##name) name = nullptr;
    NUBIVO_CURL_ENTRY_POINTS(NUBIVO_CURL_FIELD)
#undef NUBIVO_CURL_FIELD
};

// Call first in main, before any thread exists: it sets an environment variable, which is
// safe only then. Debian's libcurl pulls in GnuTLS for protocols the program never uses
// (RTMP, LDAP), and GnuTLS starts itself as it loads, about 0.7 MB resident; this asks it
// to wait until one of them starts it, as their code does. A value already set is left
// alone. The viewer starts no other program, so the variable goes no further.
void prepareCurlLibrary();

// libcurl, opened and initialised (curl_global_init, once) at the first call from any
// thread; null when it cannot be loaded, which is said once on standard error. The table
// stays valid to the end of the process.
const CurlLibrary* curlLibrary();

// The table when an earlier curlLibrary() loaded it, otherwise null; never loads.
const CurlLibrary* loadedCurlLibrary();

// For tests: the next curlLibrary() opens `soname` instead of libcurl (null: libcurl again).
// Only while no request is open.
void reopenCurlLibraryForTesting(const char* soname);

}  // namespace nubivo
