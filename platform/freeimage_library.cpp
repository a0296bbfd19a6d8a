#include "platform/freeimage_library.h"

#include <dlfcn.h>

#include "platform/lazy_library.h"

namespace nubivo {
namespace {

FreeImageLibrary table;

bool resolve(void* handle) {
    bool complete = true;
#define NUBIVO_FREEIMAGE_RESOLVE(name)                                                      \
    table.name = reinterpret_cast<decltype(table.name)>(dlsym(handle, "FreeImage_" #name)); \
    complete = complete && table.name != nullptr;
    NUBIVO_FREEIMAGE_ENTRY_POINTS(NUBIVO_FREEIMAGE_RESOLVE)
#undef NUBIVO_FREEIMAGE_RESOLVE
    return complete;
}

LazyLibrary& library() {
    // The shared FreeImage initialises itself when it is loaded.
    static LazyLibrary freeImage(NUBIVO_FREEIMAGE_SONAME, "no pictures can be shown", resolve,
                                 nullptr);
    return freeImage;
}

}  // namespace

const FreeImageLibrary* freeImageLibrary() {
    return library().ready() ? &table : nullptr;
}

void reopenFreeImageLibraryForTesting(const char* soname) {
    library().reopenForTesting(soname);
}

}  // namespace nubivo
