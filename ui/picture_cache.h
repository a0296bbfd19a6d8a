#pragma once

#include <QImage>
#include <cstdint>

#include "state/image24.h"
#include "ui/window_resources.h"

namespace nubivo {

// A copy of a 24-bit image (bottom-up BGR rows) as a top-down Qt image; null for a null
// handle or an image of another depth.
QImage pictureFromImage24(Image24 image);

// A hash over the image's pixels, padding excluded; 0 for null.
uint64_t imageFingerprint(Image24 image);

// The picture of `image`, at its own size when `size` is empty, otherwise scaled smoothly to
// `size`. Converted and scaled only when `cache` was made from a different picture; the
// caller holds the state lock, so `image` stays valid throughout.
const QImage& cachedPicture(CachedPicture& cache, Image24 image, QSize size);

// Forgets every converted picture.
void clearPictureCaches();

}  // namespace nubivo
