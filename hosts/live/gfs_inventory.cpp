#include "hosts/live/gfs_inventory.h"

#include <charconv>

#include "hosts/core/calendar.h"

namespace nubivo::live {
namespace {

// Inventories of the model's files have about 750 lines; far more is no inventory.
constexpr size_t maxRecords = 20000;
constexpr int32_t maxHours = 24 * 1000;

std::optional<int32_t> hours(std::string_view text, int32_t unit) {
    const std::optional<uint64_t> value = wholeNumber(text);
    if (!value || *value > static_cast<uint64_t>(maxHours / unit))
        return std::nullopt;
    return static_cast<int32_t>(*value) * unit;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string_view::npos;
         at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

// "d=2026083000": the run's start in seconds since 1970.
std::optional<int64_t> runTime(std::string_view text) {
    if (text.size() != 12 || text.substr(0, 2) != "d=")
        return std::nullopt;
    const std::optional<uint64_t> digits = wholeNumber(text.substr(2));
    if (!digits)
        return std::nullopt;
    const auto year = static_cast<int32_t>(*digits / 1000000);
    const auto month = static_cast<int32_t>(*digits / 10000 % 100);
    const auto day = static_cast<int32_t>(*digits / 100 % 100);
    const auto hour = static_cast<int32_t>(*digits % 100);
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23)
        return std::nullopt;
    const int64_t days = host::daysFromCivil(year, month, day);
    if (host::civilDate(days).day != day)
        return std::nullopt;  // 31 November and the like
    return days * 86400 + hour * 3600;
}

}  // namespace

std::optional<uint64_t> wholeNumber(std::string_view text) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || text.size() > 15)
        return std::nullopt;
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::optional<HourWindow> parseTimeRange(std::string_view text) {
    const std::vector<std::string_view> words = split(text, ' ');
    if (words.size() == 1 && words[0] == "anl")
        return HourWindow{Statistic::Instant, 0, 0};
    if (words.size() < 3 || words.size() > 4 || words.back() != "fcst")
        return std::nullopt;
    int32_t unit = 0;
    if (words[1] == "hour")
        unit = 1;
    else if (words[1] == "day")
        unit = 24;
    else
        return std::nullopt;
    if (words.size() == 3) {
        const std::optional<int32_t> at = hours(words[0], unit);
        if (!at)
            return std::nullopt;
        return HourWindow{Statistic::Instant, *at, *at};
    }
    const size_t dash = words[0].find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const std::optional<int32_t> from = hours(words[0].substr(0, dash), unit);
    const std::optional<int32_t> to = hours(words[0].substr(dash + 1), unit);
    if (!from || !to || *from >= *to)
        return std::nullopt;
    HourWindow window{Statistic::Instant, *from, *to};
    if (words[2] == "acc")
        window.statistic = Statistic::Accumulation;
    else if (words[2] == "max")
        window.statistic = Statistic::Maximum;
    else if (words[2] == "min")
        window.statistic = Statistic::Minimum;
    else if (words[2] == "ave")
        window.statistic = Statistic::Average;
    else
        return std::nullopt;
    return window;
}

std::optional<std::vector<InventoryRecord>> parseInventory(std::string_view text) {
    std::vector<InventoryRecord> records;
    for (std::string_view line : split(text, '\n')) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const std::vector<std::string_view> fields = split(line, ':');
        if (fields.size() < 7 || records.size() == maxRecords)
            return std::nullopt;
        InventoryRecord record;
        const size_t dot = fields[0].find('.');
        const std::string_view number = fields[0].substr(0, dot);
        const std::optional<uint64_t> offset = wholeNumber(fields[1]);
        const std::optional<int64_t> run = runTime(fields[2]);
        if (!wholeNumber(number) ||
            (dot != std::string_view::npos && !wholeNumber(fields[0].substr(dot + 1))) || !offset ||
            !run || fields[3].empty() || fields[4].empty() || fields[5].empty()) {
            return std::nullopt;
        }
        if (!records.empty() && *offset < records.back().offset)
            return std::nullopt;
        record.number = std::string(fields[0]);
        record.offset = *offset;
        record.runTime = *run;
        record.variable = std::string(fields[3]);
        record.level = std::string(fields[4]);
        record.timeRange = std::string(fields[5]);
        records.push_back(std::move(record));
    }
    if (records.empty())
        return std::nullopt;
    return records;
}

ByteRange recordBytes(const std::vector<InventoryRecord>& inventory, size_t index) {
    ByteRange range;
    range.first = inventory[index].offset;
    for (size_t next = index + 1; next < inventory.size(); ++next) {
        if (inventory[next].offset > range.first) {
            range.last = inventory[next].offset - 1;
            break;
        }
    }
    return range;
}

}  // namespace nubivo::live
