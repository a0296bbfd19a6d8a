#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nubivo::live {

// A whole number of at most 15 decimal digits and nothing else (a byte offset, a count);
// nullopt for anything else, signs and spaces included.
std::optional<uint64_t> wholeNumber(std::string_view text);

// What a record's time range says it holds: a value at one time, or a statistic over a
// window of forecast hours.
enum class Statistic { Instant, Accumulation, Maximum, Minimum, Average };

// A window of forecast hours (from, to], counted from the run's start.
struct HourWindow {
    Statistic statistic = Statistic::Instant;
    int32_t from = 0;
    int32_t to = 0;
};

// Reads an inventory's time range: "0-6 hour max fcst", "18-24 hour acc fcst",
// "0-1 day acc fcst" (whole days), "12 hour fcst", "anl". nullopt for any other form.
std::optional<HourWindow> parseTimeRange(std::string_view text);

// One record of a model file's inventory, as `wgrib2 -s` writes it:
// "586:423312699:d=2026083000:TMAX:2 m above ground:0-6 hour max fcst:".
struct InventoryRecord {
    std::string number;     // "586", or "586.2" for a field sharing its message's offset
    uint64_t offset = 0;    // the record's first byte in the file
    int64_t runTime = 0;    // from d=YYYYMMDDHH, seconds since 1970
    std::string variable;   // "TMAX"
    std::string level;      // "2 m above ground"
    std::string timeRange;  // "0-6 hour max fcst"
};

// Reads a whole inventory: every line must have the form above, with offsets that never go
// back; nullopt otherwise (a damaged inventory would point at the wrong bytes).
std::optional<std::vector<InventoryRecord>> parseInventory(std::string_view text);

// The bytes of record `index` of an inventory: from its offset to one byte before the next
// record that starts further on; the last record runs to the end of the file (`last` is
// then nullopt).
struct ByteRange {
    uint64_t first = 0;
    std::optional<uint64_t> last;
};
ByteRange recordBytes(const std::vector<InventoryRecord>& inventory, size_t index);

}  // namespace nubivo::live
