#pragma once

#include "ui/canvas.h"

namespace nubivo {

// The lower panel: frame, map tabs and the selected layer's picture or message. Called by
// paintWindow with the state lock held.
void paintMapPanel(Canvas& canvas);

}  // namespace nubivo
