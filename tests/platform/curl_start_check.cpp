// nubivo-curl-start-check: opens libcurl as the viewer does, in a process that has nothing
// else loaded, and prints what OpenSSL was started with: "error texts: yes|no" and
// "cipher names: yes|no", or "not OpenSSL" when libcurl here is built on another library.
// Exits with 1 when libcurl cannot be loaded.
#include <dlfcn.h>

#include <cstdio>

#include "platform/curl_library.h"

namespace {

// The OpenSSL error code of the system library, as ERR_PACK(ERR_LIB_SYS, 0, 0) makes it.
constexpr unsigned long systemLibraryError = 2UL << 23;

const char* yesNo(bool value) {
    return value ? "yes" : "no";
}

}  // namespace

int main() {
    nubivo::prepareCurlLibrary();
    if (nubivo::curlLibrary() == nullptr) {
        return 1;
    }
    void* crypto = dlopen("libcrypto.so.3", RTLD_NOW | RTLD_NOLOAD);
    auto libraryName = reinterpret_cast<const char* (*)(unsigned long)>(
        crypto != nullptr ? dlsym(crypto, "ERR_lib_error_string") : nullptr);
    auto cipherByName = reinterpret_cast<const void* (*)(const char*)>(
        crypto != nullptr ? dlsym(crypto, "EVP_get_cipherbyname") : nullptr);
    if (libraryName == nullptr || cipherByName == nullptr) {
        std::printf("not OpenSSL\n");
        return 0;
    }
    std::printf("error texts: %s\ncipher names: %s\n",
                yesNo(libraryName(systemLibraryError) != nullptr),
                yesNo(cipherByName("aes-128-cbc") != nullptr));
    return 0;
}
