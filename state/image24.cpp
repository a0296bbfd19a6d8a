#include "state/image24.h"

#include <FreeImage.h>

namespace nubivo {

void unloadImage24(Image24& slot) {
    FreeImage_Unload(slot);
    slot = nullptr;
}

}  // namespace nubivo
