#include "hosts/live/json_fields.h"

#include <cmath>

namespace nubivo::live {
namespace {

std::optional<double> asNumber(const Json& value) {
    if (!value.is_number())
        return std::nullopt;
    const double number = value.get<double>();
    if (!std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<int32_t> asInteger(const Json& value) {
    const std::optional<double> number = asNumber(value);
    if (!number || *number != std::floor(*number) || *number < INT32_MIN || *number > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(*number);
}

std::optional<std::string> asString(const Json& value) {
    if (!value.is_string())
        return std::nullopt;
    return value.get<std::string>();
}

const Json* member(const Json& object, const char* key) {
    if (!object.is_object())
        return nullptr;
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

const Json* element(const Json& array, size_t index) {
    if (!array.is_array() || index >= array.size())
        return nullptr;
    return &array[index];
}

template <typename T>
Nullable<T> nullable(const Json* value, std::optional<T> (*read)(const Json&)) {
    Nullable<T> out;
    if (value == nullptr)
        return out;
    out.value = read(*value);
    out.valid = value->is_null() || out.value.has_value();
    return out;
}

}  // namespace

std::optional<Json> parseJson(std::string_view text) {
    Json value = Json::parse(text.begin(), text.end(), nullptr, false);
    if (value.is_discarded())
        return std::nullopt;
    return value;
}

std::optional<double> numberAt(const Json& object, const char* key) {
    const Json* value = member(object, key);
    return value == nullptr ? std::nullopt : asNumber(*value);
}

std::optional<int32_t> integerAt(const Json& object, const char* key) {
    const Json* value = member(object, key);
    return value == nullptr ? std::nullopt : asInteger(*value);
}

std::optional<std::string> stringAt(const Json& object, const char* key) {
    const Json* value = member(object, key);
    return value == nullptr ? std::nullopt : asString(*value);
}

const Json* objectAt(const Json& object, const char* key) {
    const Json* value = member(object, key);
    return value != nullptr && value->is_object() ? value : nullptr;
}

const Json* arrayAt(const Json& object, const char* key, size_t minSize) {
    const Json* value = member(object, key);
    return value != nullptr && value->is_array() && value->size() >= minSize ? value : nullptr;
}

std::optional<double> numberIn(const Json& array, size_t index) {
    const Json* value = element(array, index);
    return value == nullptr ? std::nullopt : asNumber(*value);
}

std::optional<int32_t> integerIn(const Json& array, size_t index) {
    const Json* value = element(array, index);
    return value == nullptr ? std::nullopt : asInteger(*value);
}

std::optional<std::string> stringIn(const Json& array, size_t index) {
    const Json* value = element(array, index);
    return value == nullptr ? std::nullopt : asString(*value);
}

Nullable<double> nullableNumberAt(const Json& object, const char* key) {
    return nullable(member(object, key), asNumber);
}

Nullable<int32_t> nullableIntegerAt(const Json& object, const char* key) {
    return nullable(member(object, key), asInteger);
}

Nullable<double> nullableNumberIn(const Json& array, size_t index) {
    return nullable(element(array, index), asNumber);
}

Nullable<int32_t> nullableIntegerIn(const Json& array, size_t index) {
    return nullable(element(array, index), asInteger);
}

}  // namespace nubivo::live
