#include "images/picture_reduction.h"

#include <algorithm>
#include <vector>

#include "platform/freeimage_library.h"

namespace nubivo {
namespace {

// Where source pixel `index` of a side of `length` lands on a side of `targetLength`: with
// the source pixel spanning [index * targetLength, (index + 1) * targetLength) and target
// pixel j spanning [j * length, (j + 1) * length), it overlaps target `first` by
// `weightFirst` and, when it straddles a boundary, target first + 1 by `weightNext`. The
// weights of one target pixel add up to `length`.
struct Span {
    uint32_t first;
    uint64_t weightFirst;
    uint64_t weightNext;
};

std::vector<Span> spans(uint32_t length, uint32_t targetLength) {
    std::vector<Span> result(length);
    for (uint32_t index = 0; index < length; ++index) {
        uint64_t begin = uint64_t{index} * targetLength;
        uint64_t end = begin + targetLength;
        auto first = static_cast<uint32_t>(begin / length);
        uint64_t boundary = uint64_t{first + 1} * length;
        if (end <= boundary) {
            result[index] = Span{first, targetLength, 0};
        } else {
            result[index] = Span{first, boundary - begin, end - boundary};
        }
    }
    return result;
}

}  // namespace

ReducedSize reducedSize(uint32_t width, uint32_t height, uint32_t maxWidth, uint32_t maxHeight) {
    return ReducedSize{std::min(width, maxWidth), std::min(height, maxHeight)};
}

void reducePixels(const uint8_t* source, uint32_t width, uint32_t height, uint32_t pitch,
                  uint32_t bytesPerPixel, uint8_t* target, uint32_t targetWidth,
                  uint32_t targetHeight, uint32_t targetPitch) {
    const std::vector<Span> columns = spans(width, targetWidth);
    const std::vector<Span> rows = spans(height, targetHeight);
    const size_t values = size_t{targetWidth} * 3;
    // One source row at a time: summed across into `across`, then weighted into the target
    // row it lies in (`current`) and, straddling a boundary, the next one (`next`).
    std::vector<uint64_t> across(values);
    std::vector<uint64_t> current(values, 0);
    std::vector<uint64_t> next(values, 0);
    const uint64_t total = uint64_t{width} * height;
    uint32_t targetRow = 0;

    auto finishRow = [&] {
        uint8_t* out = target + size_t{targetRow} * targetPitch;
        for (size_t value = 0; value < values; ++value) {
            out[value] = static_cast<uint8_t>((current[value] + total / 2) / total);
        }
        current.swap(next);
        std::fill(next.begin(), next.end(), 0);
        ++targetRow;
    };

    for (uint32_t y = 0; y < height; ++y) {
        const Span row = rows[y];
        while (targetRow < row.first) {
            finishRow();
        }
        std::fill(across.begin(), across.end(), 0);
        const uint8_t* in = source + size_t{y} * pitch;
        for (uint32_t x = 0; x < width; ++x, in += bytesPerPixel) {
            const Span column = columns[x];
            uint64_t* sum = across.data() + size_t{column.first} * 3;
            for (int channel = 0; channel < 3; ++channel) {
                sum[channel] += column.weightFirst * in[channel];
            }
            if (column.weightNext != 0) {
                for (int channel = 0; channel < 3; ++channel) {
                    sum[3 + channel] += column.weightNext * in[channel];
                }
            }
        }
        for (size_t value = 0; value < values; ++value) {
            current[value] += row.weightFirst * across[value];
        }
        if (row.weightNext != 0) {
            for (size_t value = 0; value < values; ++value) {
                next[value] += row.weightNext * across[value];
            }
        }
    }
    while (targetRow < targetHeight) {
        finishRow();
    }
}

Image24 reduceImage24(Image24 image, uint32_t maxWidth, uint32_t maxHeight) {
    const Image24Pixels from = image24Pixels(image);
    if (from.bits == nullptr || (from.bitsPerPixel != 24 && from.bitsPerPixel != 32) ||
        maxWidth == 0 || maxHeight == 0 || from.width == 0 || from.height == 0) {
        return nullptr;
    }
    const FreeImageLibrary* freeImage = freeImageLibrary();
    const ReducedSize size = reducedSize(from.width, from.height, maxWidth, maxHeight);
    Image24 reduced = freeImage->Allocate(static_cast<int>(size.width),
                                          static_cast<int>(size.height), 24, 0, 0, 0);
    if (reduced == nullptr) {
        return nullptr;
    }
    reducePixels(from.bits, from.width, from.height, from.pitch, from.bitsPerPixel / 8,
                 freeImage->GetBits(reduced), size.width, size.height,
                 freeImage->GetPitch(reduced));
    return reduced;
}

}  // namespace nubivo
