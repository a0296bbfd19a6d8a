#include "platform/curl_library.h"

#include <dlfcn.h>

#include "platform/lazy_library.h"

namespace nubivo {
namespace {

CurlLibrary table;

bool resolve(void* handle) {
    bool complete = true;
#define NUBIVO_CURL_RESOLVE(name)                                                      \
    table.name = reinterpret_cast<decltype(table.name)>(dlsym(handle, "curl_" #name)); \
    complete = complete && table.name != nullptr;
    NUBIVO_CURL_ENTRY_POINTS(NUBIVO_CURL_RESOLVE)
#undef NUBIVO_CURL_RESOLVE
    return complete;
}

// libcurl wants its global set-up before any other call, and once.
bool start() {
    return table.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

LazyLibrary& library() {
    static LazyLibrary curl(NUBIVO_CURL_SONAME, "the weather cannot be fetched", resolve, start);
    return curl;
}

}  // namespace

const CurlLibrary* curlLibrary() {
    return library().ready() ? &table : nullptr;
}

const CurlLibrary* loadedCurlLibrary() {
    return library().isReady() ? &table : nullptr;
}

void reopenCurlLibraryForTesting(const char* soname) {
    library().reopenForTesting(soname);
}

}  // namespace nubivo
