#include "hosts/core/natural_earth.h"

#include <algorithm>
#include <cstdio>

namespace nubivo::host {

// The file hosts/core/data/natural_earth_50m.bin, carried in the program (built by
// cmake/EmbedFile.cmake).
extern const unsigned char naturalEarthData[];
extern const std::size_t naturalEarthDataSize;

namespace {

constexpr uint8_t magic[5] = {'N', 'E', 'O', 'L', 1};
constexpr int64_t hundredthsLimitLon = 360 * 100;  // lines may run on past +-180
constexpr int64_t hundredthsLimitLat = 90 * 100;

uint32_t fnv1a(const uint8_t* bytes, size_t size) {
    uint32_t hash = 0x811C9DC5u;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 0x01000193u;
    return hash;
}

// Reads varints from a bounded span; any read past its end fails the whole file.
class Reader {
  public:
    Reader(const uint8_t* bytes, size_t size) : at_(bytes), end_(bytes + size) {}

    bool varint(uint64_t* value) {
        uint64_t result = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (at_ == end_)
                return false;
            const uint8_t byte = *at_++;
            result |= uint64_t{byte & 0x7Fu} << shift;
            if ((byte & 0x80u) == 0) {
                *value = result;
                return true;
            }
        }
        return false;
    }

    bool zigzag(int64_t* value) {
        uint64_t raw = 0;
        if (!varint(&raw) || raw > (uint64_t{1} << 40))
            return false;
        *value = (raw & 1) ? -static_cast<int64_t>(raw >> 1) - 1 : static_cast<int64_t>(raw >> 1);
        return true;
    }

    size_t left() const { return static_cast<size_t>(end_ - at_); }

  private:
    const uint8_t* at_;
    const uint8_t* end_;
};

bool readSection(Reader& reader, size_t minPoints, std::vector<GeoLine>* lines) {
    uint64_t count = 0;
    // Every line takes at least three bytes: no count can ask for more lines than that.
    if (!reader.varint(&count) || count > reader.left() / 3)
        return false;
    lines->reserve(count);
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t points = 0;
        if (!reader.varint(&points) || points < minPoints || points > reader.left() / 2)
            return false;
        GeoLine line;
        line.points.reserve(points);
        line.bounds = GeoBox{180, 90, -180, -90};
        int64_t lon = 0;
        int64_t lat = 0;
        for (uint64_t k = 0; k < points; ++k) {
            int64_t dLon = 0;
            int64_t dLat = 0;
            if (!reader.zigzag(&dLon) || !reader.zigzag(&dLat))
                return false;
            lon += dLon;
            lat += dLat;
            if (lon < -hundredthsLimitLon || lon > hundredthsLimitLon ||
                lat < -hundredthsLimitLat || lat > hundredthsLimitLat) {
                return false;
            }
            const LonLat p{static_cast<float>(lon / 100.0), static_cast<float>(lat / 100.0)};
            line.points.push_back(p);
            line.bounds.west = std::min(line.bounds.west, double{p.lon});
            line.bounds.east = std::max(line.bounds.east, double{p.lon});
            line.bounds.south = std::min(line.bounds.south, double{p.lat});
            line.bounds.north = std::max(line.bounds.north, double{p.lat});
        }
        lines->push_back(std::move(line));
    }
    return true;
}

}  // namespace

std::span<const uint8_t> carriedOutlineFile() {
    return {naturalEarthData, naturalEarthDataSize};
}

std::optional<NaturalEarth> readOutlines(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr || size < sizeof magic + 4 || !std::equal(magic, magic + 5, bytes))
        return std::nullopt;
    const size_t body = size - 4;
    const uint32_t stored = uint32_t{bytes[body]} | uint32_t{bytes[body + 1]} << 8 |
                            uint32_t{bytes[body + 2]} << 16 | uint32_t{bytes[body + 3]} << 24;
    if (fnv1a(bytes, body) != stored)
        return std::nullopt;
    Reader reader(bytes + sizeof magic, body - sizeof magic);
    NaturalEarth outlines;
    if (!readSection(reader, 3, &outlines.coasts) || !readSection(reader, 3, &outlines.lakes) ||
        !readSection(reader, 2, &outlines.borders) || reader.left() != 0) {
        return std::nullopt;
    }
    return outlines;
}

const NaturalEarth& naturalEarth() {
    static const NaturalEarth* const carried = [] {
        const std::span<const uint8_t> file = carriedOutlineFile();
        std::optional<NaturalEarth> read = readOutlines(file.data(), file.size());
        if (!read) {
            std::fprintf(stderr, "nubivo: the carried outlines are damaged: maps without them\n");
            return new NaturalEarth;
        }
        return new NaturalEarth(std::move(*read));
    }();
    return *carried;
}

}  // namespace nubivo::host
