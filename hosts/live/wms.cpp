#include "hosts/live/wms.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "hosts/core/calendar.h"
#include "hosts/core/freeimage_handles.h"

namespace nubivo::live {
namespace {

// Capabilities documents are read only this far: a layer's dimension is near its name.
constexpr size_t maxDimensionBytes = 4u * 1024u * 1024u;

std::string degrees(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Reads `count` digits at `at` into `value`; false when they are not all digits.
bool digits(std::string_view text, size_t at, size_t count, int32_t* value) {
    if (at + count > text.size())
        return false;
    *value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        *value = *value * 10 + (text[i] - '0');
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// The value of attribute `name` in the start tag `tag` ("<Dimension name=... >").
std::optional<std::string_view> attribute(std::string_view tag, std::string_view name) {
    size_t at = 0;
    while ((at = tag.find(name, at)) != std::string_view::npos) {
        const bool word = at > 0 && std::isspace(static_cast<unsigned char>(tag[at - 1]));
        size_t cursor = at + name.size();
        while (cursor < tag.size() && tag[cursor] == ' ')
            ++cursor;
        if (word && cursor < tag.size() && tag[cursor] == '=') {
            ++cursor;
            while (cursor < tag.size() && tag[cursor] == ' ')
                ++cursor;
            if (cursor < tag.size() && (tag[cursor] == '"' || tag[cursor] == '\'')) {
                const size_t end = tag.find(tag[cursor], cursor + 1);
                if (end == std::string_view::npos)
                    return std::nullopt;
                return tag.substr(cursor + 1, end - cursor - 1);
            }
        }
        at += name.size();
    }
    return std::nullopt;
}

std::optional<TimeDomain> parseDomain(std::string_view text) {
    TimeDomain domain;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view item = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (item.empty())
            continue;
        TimeDomain::Span span;
        const size_t slash = item.find('/');
        if (slash == std::string_view::npos) {
            const std::optional<int64_t> instant = parseIsoTime(item);
            if (!instant)
                return std::nullopt;
            span.start = span.end = *instant;
        } else {
            const size_t second = item.find('/', slash + 1);
            const std::optional<int64_t> from = parseIsoTime(item.substr(0, slash));
            const std::optional<int64_t> to = parseIsoTime(
                item.substr(slash + 1, second == std::string_view::npos ? std::string_view::npos
                                                                        : second - slash - 1));
            if (!from || !to || *to < *from)
                return std::nullopt;
            span.start = *from;
            span.end = *to;
            if (second != std::string_view::npos)
                span.period = parseIsoPeriod(item.substr(second + 1)).value_or(0);
        }
        domain.spans.push_back(span);
    }
    if (domain.spans.empty())
        return std::nullopt;
    return domain;
}

}  // namespace

std::string isoTime(int64_t seconds) {
    const int64_t days = host::floorDiv(seconds, 86400);
    const int64_t inDay = seconds - days * 86400;
    const host::CivilDate date = host::civilDate(days);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", date.year, date.month,
                  date.day, static_cast<int>(inDay / 3600), static_cast<int>(inDay / 60 % 60),
                  static_cast<int>(inDay % 60));
    return text;
}

std::optional<int64_t> parseIsoTime(std::string_view text) {
    text = trimmed(text);
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!digits(text, 0, 4, &year) || text.size() < 10 || text[4] != '-' ||
        !digits(text, 5, 2, &month) || text[7] != '-' || !digits(text, 8, 2, &day) || month < 1 ||
        month > 12 || day < 1 || day > 31) {
        return std::nullopt;
    }
    size_t at = 10;
    if (at < text.size()) {
        if (text[at] != 'T' || !digits(text, 11, 2, &hour) || text.size() < 16 || text[13] != ':' ||
            !digits(text, 14, 2, &minute)) {
            return std::nullopt;
        }
        at = 16;
        if (at < text.size() && text[at] == ':') {
            if (!digits(text, 17, 2, &second))
                return std::nullopt;
            at = 19;
            if (at < text.size() && text[at] == '.') {
                ++at;
                while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
                    ++at;
            }
        }
        if (at < text.size() && text[at] == 'Z')
            ++at;
        if (at != text.size() || hour > 23 || minute > 59 || second > 60)
            return std::nullopt;
    }
    return host::daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

std::optional<int64_t> parseIsoPeriod(std::string_view text) {
    text = trimmed(text);
    if (text.size() < 3 || text[0] != 'P')
        return std::nullopt;
    int64_t total = 0;
    int64_t number = 0;
    bool inTime = false;
    bool any = false;
    bool pending = false;
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            if (number > 100000000)
                return std::nullopt;
            number = number * 10 + (c - '0');
            pending = true;
            continue;
        }
        if (c == 'T' && !inTime && !pending) {
            inTime = true;
            continue;
        }
        if (!pending)
            return std::nullopt;
        if (!inTime && c == 'D')
            total += number * 86400;
        else if (!inTime && c == 'W')
            total += number * 7 * 86400;
        else if (inTime && c == 'H')
            total += number * 3600;
        else if (inTime && c == 'M')
            total += number * 60;
        else if (inTime && c == 'S')
            total += number;
        else
            return std::nullopt;
        number = 0;
        pending = false;
        any = true;
    }
    if (pending || !any || total <= 0)
        return std::nullopt;
    return total;
}

std::string getMapUrl(const std::string& base, const GetMap& request) {
    const host::GeoBox& b = request.box;
    const bool v130 = request.version == WmsVersion::V130;
    const std::string box = v130 ? degrees(b.south) + "," + degrees(b.west) + "," +
                                       degrees(b.north) + "," + degrees(b.east)
                                 : degrees(b.west) + "," + degrees(b.south) + "," +
                                       degrees(b.east) + "," + degrees(b.north);
    std::string url = base + (base.find('?') == std::string::npos ? "?" : "&") +
                      "SERVICE=WMS&VERSION=" + (v130 ? "1.3.0" : "1.1.1") +
                      "&REQUEST=GetMap&LAYERS=" + request.layer + "&STYLES=&" +
                      (v130 ? "CRS" : "SRS") + "=EPSG:4326&BBOX=" + box +
                      "&WIDTH=" + std::to_string(host::mapWidth) +
                      "&HEIGHT=" + std::to_string(host::mapHeight) + "&FORMAT=" + request.format;
    if (request.transparent)
        url += "&TRANSPARENT=TRUE";
    if (!request.time.empty())
        url += "&TIME=" + request.time;
    return url;
}

std::string layerCapabilitiesUrl(const std::string& base, const std::string& layer) {
    const std::string query = "?SERVICE=WMS&VERSION=1.3.0&REQUEST=GetCapabilities";
    const size_t colon = layer.find(':');
    const bool endsInWms = base.size() > 4 && base.compare(base.size() - 4, 4, "/wms") == 0;
    if (!endsInWms || colon == std::string::npos)
        return base + query;
    return base.substr(0, base.size() - 3) + layer.substr(0, colon) + "/" +
           layer.substr(colon + 1) + "/wms" + query;
}

bool TimeDomain::holds(int64_t time) const {
    for (const Span& span : spans) {
        if (time < span.start || time > span.end)
            continue;
        if (span.period <= 0 || (time - span.start) % span.period == 0)
            return true;
    }
    return false;
}

int64_t TimeDomain::newest() const {
    int64_t newest = 0;
    for (const Span& span : spans) {
        const int64_t last = span.period > 0
                                 ? span.start + (span.end - span.start) / span.period * span.period
                                 : span.end;
        newest = std::max(newest, last);
    }
    return newest;
}

std::optional<TimeDomain> layerTimes(std::string_view capabilities, std::string_view layer) {
    capabilities = capabilities.substr(0, maxDimensionBytes);
    const size_t colon = layer.find(':');
    const std::string_view local =
        colon == std::string_view::npos ? layer : layer.substr(colon + 1);
    size_t at = 0;
    while ((at = capabilities.find("<Name>", at)) != std::string_view::npos) {
        at += 6;
        const size_t end = capabilities.find("</Name>", at);
        if (end == std::string_view::npos)
            return std::nullopt;
        const std::string_view name = trimmed(capabilities.substr(at, end - at));
        if (name != layer && name != local)
            continue;
        // The layer's own dimension comes before any layer nested in it or after it.
        const size_t nextLayer =
            std::min(capabilities.find("<Layer", end), capabilities.find("</Layer>", end));
        for (const char* element : {"<Dimension", "<Extent"}) {
            size_t tag = capabilities.find(element, end);
            while (tag != std::string_view::npos && tag < nextLayer) {
                const size_t close = capabilities.find('>', tag);
                if (close == std::string_view::npos)
                    return std::nullopt;
                const std::string_view start = capabilities.substr(tag, close - tag);
                const size_t stop = capabilities.find('<', close);
                if (attribute(start, "name") == "time" && start.back() != '/' &&
                    stop != std::string_view::npos) {
                    return parseDomain(capabilities.substr(close + 1, stop - close - 1));
                }
                tag = capabilities.find(element, close);
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

bool isPictureAnswer(const UpstreamAnswer& answer) {
    if (!answer.received || answer.status != 200 || answer.contentType.rfind("image/", 0) != 0)
        return false;
    const std::string_view body = trimmed(std::string_view(answer.body).substr(0, 64));
    return !body.empty() && body.front() != '<';
}

std::optional<int64_t> nearestValueUsed(const UpstreamAnswer& answer) {
    const auto warning = answer.headers.find("warning");
    if (warning == answer.headers.end())
        return std::nullopt;
    const std::string& text = warning->second;
    const size_t at = text.find("Nearest value used");
    if (at == std::string::npos)
        return std::nullopt;
    const size_t time = text.find("time=", at);
    if (time == std::string::npos)
        return 0;
    size_t end = text.find_first_of(" ,;\"", time + 5);
    return parseIsoTime(std::string_view(text).substr(time + 5, end == std::string::npos
                                                                    ? std::string::npos
                                                                    : end - time - 5))
        .value_or(0);
}

std::optional<RgbaPicture> decodeRgba(std::string_view bytes, int32_t width, int32_t height) {
    if (bytes.empty() || bytes.size() > 16u * 1024u * 1024u)
        return std::nullopt;
    host::MemoryStream memory(
        FreeImage_OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                             static_cast<DWORD>(bytes.size())));
    if (!memory)
        return std::nullopt;
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory.get(), 0);
    if (format != FIF_PNG && format != FIF_JPEG)
        return std::nullopt;
    // The size first: a picture of another size is refused before its pixels are unpacked.
    host::Bitmap header(FreeImage_LoadFromMemory(format, memory.get(), FIF_LOAD_NOPIXELS));
    if (!header || FreeImage_GetWidth(header.get()) != static_cast<unsigned>(width) ||
        FreeImage_GetHeight(header.get()) != static_cast<unsigned>(height)) {
        return std::nullopt;
    }
    FreeImage_SeekMemory(memory.get(), 0, SEEK_SET);
    host::Bitmap loaded(FreeImage_LoadFromMemory(format, memory.get(), 0));
    if (!loaded || FreeImage_GetImageType(loaded.get()) != FIT_BITMAP)
        return std::nullopt;
    host::Bitmap rgba(FreeImage_ConvertTo32Bits(loaded.get()));
    if (!rgba)
        return std::nullopt;
    RgbaPicture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<size_t>(width) * height * 4);
    for (int32_t y = 0; y < height; ++y) {
        const BYTE* row = FreeImage_GetScanLine(rgba.get(), height - 1 - y);
        uint8_t* out = &picture.pixels[static_cast<size_t>(y) * width * 4];
        for (int32_t x = 0; x < width; ++x) {
            out[x * 4 + 0] = row[x * 4 + FI_RGBA_RED];
            out[x * 4 + 1] = row[x * 4 + FI_RGBA_GREEN];
            out[x * 4 + 2] = row[x * 4 + FI_RGBA_BLUE];
            out[x * 4 + 3] = row[x * 4 + FI_RGBA_ALPHA];
        }
    }
    return picture;
}

}  // namespace nubivo::live
