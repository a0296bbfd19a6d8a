#include "hosts/live/gfs_fields.h"

#include <cstring>
#include <iterator>

#include "hosts/core/regions.h"
#include "hosts/live/disk_cache.h"
#include "hosts/live/json_fields.h"

namespace nubivo::live {
namespace {

constexpr const char* fieldsFormat = "nubivo-live-host model fields";
constexpr int32_t fieldsVersion = 1;
// No crop of the regions at the model's resolution comes near this many points.
constexpr int64_t maxCropPoints = 4'000'000;
constexpr double slack = 1e-6;

bool covers(const FieldCrop& crop, const host::GeoBox& box) {
    return crop.latitudeStep > 0 && crop.longitudeStep > 0 && crop.columns > 1 && crop.rows > 1 &&
           crop.north >= box.north - slack && crop.west <= box.west + slack &&
           crop.north - (crop.rows - 1) * crop.latitudeStep <= box.south + slack &&
           crop.west + (crop.columns - 1) * crop.longitudeStep >= box.east - slack;
}

}  // namespace

std::string fieldsFileBytes(const PeriodFields& fields) {
    std::string values;
    Json shapes = Json::array();
    for (const std::vector<FieldCrop>& field : fields.fields) {
        Json crops = Json::array();
        for (const FieldCrop& crop : field) {
            crops.push_back({{"north", crop.north},
                             {"west", crop.west},
                             {"latitudeStep", crop.latitudeStep},
                             {"longitudeStep", crop.longitudeStep},
                             {"columns", crop.columns},
                             {"rows", crop.rows}});
            values.append(reinterpret_cast<const char*>(crop.values.data()),
                          crop.values.size() * sizeof(float));
        }
        shapes.push_back(std::move(crops));
    }
    const Json head = {{"format", fieldsFormat},
                       {"version", fieldsVersion},
                       {"run", fields.run},
                       {"periodStart", fields.periodStart},
                       {"crops", std::move(shapes)},
                       {"size", values.size()},
                       {"checksum", checksumText(values)}};
    return head.dump() + "\n" + values;
}

std::optional<PeriodFields> readFieldsFile(std::string_view bytes) {
    const size_t newline = bytes.find('\n');
    if (newline == std::string_view::npos)
        return std::nullopt;
    const std::optional<Json> head = parseJson(bytes.substr(0, newline));
    const std::string_view values = bytes.substr(newline + 1);
    const std::optional<double> run = head ? numberAt(*head, "run") : std::nullopt;
    const std::optional<double> start = head ? numberAt(*head, "periodStart") : std::nullopt;
    const Json* shapes = head ? arrayAt(*head, "crops", modelFieldCount) : nullptr;
    if (!head || stringAt(*head, "format") != fieldsFormat ||
        integerAt(*head, "version") != fieldsVersion || !run || !start || shapes == nullptr ||
        shapes->size() != modelFieldCount || numberAt(*head, "size") != values.size() ||
        stringAt(*head, "checksum") != checksumText(values)) {
        return std::nullopt;
    }
    PeriodFields fields;
    fields.run = static_cast<int64_t>(*run);
    fields.periodStart = static_cast<int64_t>(*start);
    size_t at = 0;
    for (int32_t field = 0; field < modelFieldCount; ++field) {
        const Json& crops = (*shapes)[static_cast<size_t>(field)];
        if (!crops.is_array() || crops.size() != std::size(host::regionBoxes))
            return std::nullopt;
        for (size_t region = 0; region < crops.size(); ++region) {
            const Json& shape = crops[region];
            FieldCrop crop;
            const auto north = numberAt(shape, "north");
            const auto west = numberAt(shape, "west");
            const auto latitudeStep = numberAt(shape, "latitudeStep");
            const auto longitudeStep = numberAt(shape, "longitudeStep");
            const auto columns = integerAt(shape, "columns");
            const auto rows = integerAt(shape, "rows");
            if (!north || !west || !latitudeStep || !longitudeStep || !columns || !rows ||
                *columns <= 0 || *rows <= 0 ||
                static_cast<int64_t>(*columns) * *rows > maxCropPoints) {
                return std::nullopt;
            }
            crop.north = *north;
            crop.west = *west;
            crop.latitudeStep = *latitudeStep;
            crop.longitudeStep = *longitudeStep;
            crop.columns = *columns;
            crop.rows = *rows;
            const size_t length = static_cast<size_t>(*columns) * static_cast<size_t>(*rows);
            if (!covers(crop, host::regionBoxes[region]) ||
                values.size() - at < length * sizeof(float))
                return std::nullopt;
            crop.values.resize(length);
            std::memcpy(crop.values.data(), values.data() + at, length * sizeof(float));
            at += length * sizeof(float);
            fields.fields[field].push_back(std::move(crop));
        }
    }
    if (at != values.size())
        return std::nullopt;
    return fields;
}

}  // namespace nubivo::live
