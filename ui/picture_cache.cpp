#include "ui/picture_cache.h"

#include <QHashFunctions>
#include <cmath>

namespace nubivo {

QImage pictureFromImage24(Image24 image) {
    const Image24Pixels pixels = image24Pixels(image);
    if (pixels.bitsPerPixel != 24) {
        return QImage();
    }
    int width = static_cast<int>(pixels.width);
    int height = static_cast<int>(pixels.height);
    int pitch = static_cast<int>(pixels.pitch);
    const uchar* bits = pixels.bits;
    if (width <= 0 || height <= 0 || bits == nullptr) {
        return QImage();
    }
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const uchar* source = bits + static_cast<ptrdiff_t>(height - 1 - y) * pitch;
        auto* target = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const uchar* pixel = source + 3 * x;
            target[x] = qRgb(pixel[2], pixel[1], pixel[0]);  // blue, green, red
        }
    }
    return picture;
}

uint64_t imageFingerprint(Image24 image) {
    const Image24Pixels pixels = image24Pixels(image);
    uint32_t height = pixels.height;
    uint32_t rowBytes = pixels.rowBytes;
    uint32_t pitch = pixels.pitch;
    const uint8_t* bits = pixels.bits;
    if (bits == nullptr) {
        return 0;
    }
    // Row by row, chaining each row's hash into the next as its seed; padding is skipped.
    size_t hash = height;
    for (uint32_t y = 0; y < height; ++y) {
        hash = qHashBits(bits + static_cast<size_t>(y) * pitch, rowBytes, hash);
    }
    return hash;
}

QSize devicePixels(QSize logical, double ratio) {
    return QSize(static_cast<int>(std::lround(logical.width() * ratio)),
                 static_cast<int>(std::lround(logical.height() * ratio)));
}

const QImage& cachedPicture(CachedPicture& cache, Image24 image, QSize deviceSize, double ratio) {
    const Image24Pixels pixels = image24Pixels(image);
    int32_t width = static_cast<int32_t>(pixels.width);
    int32_t height = static_cast<int32_t>(pixels.height);
    if (deviceSize.isEmpty()) {
        deviceSize = devicePixels(QSize(width, height), ratio);
    }
    // No slot has changed since the last look: the picture is still the one converted.
    uint64_t generation = viewerState.imageGeneration;
    if (cache.generation == generation && cache.source == image && !cache.picture.isNull() &&
        cache.deviceSize == deviceSize) {
        return cache.picture;
    }
    cache.generation = generation;
    uint64_t fingerprint = imageFingerprint(image);
    if (cache.source == image && cache.width == width && cache.height == height &&
        cache.fingerprint == fingerprint && !cache.picture.isNull() &&
        cache.deviceSize == deviceSize) {
        return cache.picture;
    }
    QImage picture = pictureFromImage24(image);
    if (!picture.isNull() && !deviceSize.isEmpty() && picture.size() != deviceSize) {
        picture = picture.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (!picture.isNull()) {
        picture.setDevicePixelRatio(ratio);
    }
    cache.source = image;
    cache.width = width;
    cache.height = height;
    cache.fingerprint = fingerprint;
    cache.deviceSize = deviceSize;
    cache.picture = picture;
    return cache.picture;
}

void clearPictureCaches() {
    windowResources.iconPicture = CachedPicture{};
    for (CachedPicture& cache : windowResources.mapPicture) {
        cache = CachedPicture{};
    }
}

}  // namespace nubivo
