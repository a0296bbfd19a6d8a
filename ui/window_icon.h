#pragma once

#include <QImage>

namespace nubivo {

// The viewer's icon, a sun behind a cloud, drawn at `size` x `size` pixels on a transparent
// ground. Needs no application object.
QImage drawViewerIcon(int size);

}  // namespace nubivo
