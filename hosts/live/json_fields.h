#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace nubivo::live {

using Json = nlohmann::json;

// Strict readers of upstream answers: the value must exist with the type asked for, else
// nullopt (or null), never an exception. A missing, null or mistyped field fails the one
// answer that holds it.
std::optional<Json> parseJson(std::string_view text);
std::optional<double> numberAt(const Json& object, const char* key);
// A whole number within 32 bits, written as 3 or 3.0.
std::optional<int32_t> integerAt(const Json& object, const char* key);
std::optional<std::string> stringAt(const Json& object, const char* key);
const Json* objectAt(const Json& object, const char* key);
// An array of at least `minSize` elements.
const Json* arrayAt(const Json& object, const char* key, size_t minSize = 0);

// Element `index` of an array as a number, integer or string; nullopt when it is anything
// else or out of range.
std::optional<double> numberIn(const Json& array, size_t index);
std::optional<int32_t> integerIn(const Json& array, size_t index);
std::optional<std::string> stringIn(const Json& array, size_t index);

// A value that may be null. `valid` is false when it is missing or of another type (which
// fails the answer that holds it); a null leaves `value` empty.
template <typename T>
struct Nullable {
    bool valid = false;
    std::optional<T> value;
};

// Field `key` of an object or element `index` of an array, as numberAt and integerAt read
// them, or null.
Nullable<double> nullableNumberAt(const Json& object, const char* key);
Nullable<int32_t> nullableIntegerAt(const Json& object, const char* key);
Nullable<double> nullableNumberIn(const Json& array, size_t index);
Nullable<int32_t> nullableIntegerIn(const Json& array, size_t index);

}  // namespace nubivo::live
