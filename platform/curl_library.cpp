#include "platform/curl_library.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/server_addresses.h"
#include "platform/lazy_library.h"

namespace nubivo {
namespace {

CurlLibrary table;

// OPENSSL_init_crypto of the OpenSSL that an OpenSSL build of libcurl pulls in; null for
// another build. The options are OpenSSL 3's documented bits.
using OpensslInitCrypto = int (*)(uint64_t options, const void* settings);
OpensslInitCrypto opensslInitCrypto = nullptr;
constexpr uint64_t opensslNoLoadCryptoStrings = 0x01;
constexpr uint64_t opensslNoAddAllCiphers = 0x10;
constexpr uint64_t opensslNoAddAllDigests = 0x20;
constexpr uint64_t opensslNoLoadConfig = 0x80;

bool resolve(void* handle) {
    // Searched in libcurl and what it pulled in; optional.
    opensslInitCrypto = reinterpret_cast<OpensslInitCrypto>(dlsym(handle, "OPENSSL_init_crypto"));
    bool complete = true;
#define NUBIVO_CURL_RESOLVE(name)                                                      \
    table.name = reinterpret_cast<decltype(table.name)>(dlsym(handle, "curl_" #name)); \
    complete = complete && table.name != nullptr;
    NUBIVO_CURL_ENTRY_POINTS(NUBIVO_CURL_RESOLVE)
#undef NUBIVO_CURL_RESOLVE
    return complete;
}

bool plainHttp(const char* host) {
    return std::strncmp(host, "http://", 7) == 0;
}

// libcurl wants its global set-up before any other call, and once.
bool start() {
    // curl_global_init starts OpenSSL whether or not TLS is ever used: it reads OpenSSL's
    // configuration, every error text and a table of every cipher and digest by name, about
    // 1.3 MB resident. With both hosts on plain HTTP the program never speaks TLS, so it
    // declines those first: OpenSSL then skips them when libcurl asks. With an https host,
    // OpenSSL starts as configured.
    if (opensslInitCrypto != nullptr && plainHttp(feedHost()) && plainHttp(imageHost())) {
        opensslInitCrypto(opensslNoLoadCryptoStrings | opensslNoAddAllCiphers |
                              opensslNoAddAllDigests | opensslNoLoadConfig,
                          nullptr);
    }
    return table.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

LazyLibrary& library() {
    static LazyLibrary curl(NUBIVO_CURL_SONAME, "the weather cannot be fetched", resolve, start);
    return curl;
}

}  // namespace

void prepareCurlLibrary() {
    setenv("GNUTLS_NO_IMPLICIT_INIT", "1", 0);
}

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
