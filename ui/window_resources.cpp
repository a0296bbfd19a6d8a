#include "ui/window_resources.h"

namespace nubivo {

WindowResources windowResources;

}  // namespace nubivo
