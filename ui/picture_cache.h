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

// The picture of `image` to be drawn at device pixel ratio `ratio` over `deviceSize` device
// pixels (when empty: the image's own size in logical pixels, that is its size times the
// ratio): made from the image's own pixels, scaled smoothly where the sizes differ, and
// carrying the ratio, so it is drawn without any further scaling. At ratio 1 and the
// image's own size the pixels are the image's. Converted and scaled only when `cache` was
// made from a different picture or for another size; the caller holds the state lock, so
// `image` stays valid throughout.
const QImage& cachedPicture(CachedPicture& cache, Image24 image, QSize deviceSize, double ratio);

// The device pixels `logical` covers at `ratio`.
QSize devicePixels(QSize logical, double ratio);

// Forgets every converted picture.
void clearPictureCaches();

}  // namespace nubivo
