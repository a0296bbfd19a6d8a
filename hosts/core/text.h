#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Small helpers over text as bytes, for both hosts. Letters are ASCII only: other bytes,
// UTF-8 sequences among them, pass through unchanged.
namespace nubivo::host {

bool isAsciiLetter(char c);

// `text` with ASCII letters in lower case, or in upper case.
std::string asciiLower(std::string_view text);
std::string asciiUpper(std::string_view text);

// `text` without the spaces, tabs and line ends at either end.
std::string_view trimmed(std::string_view text);

// `text` trimmed of blanks (spaces and control bytes), with every run of them inside as one
// space, so that " New  York " is "New York".
std::string collapsed(std::string_view text);

// The longest start of `text` of at most `maxBytes` bytes that does not end inside a UTF-8
// sequence.
std::string_view utf8Prefix(std::string_view text, size_t maxBytes);

// The 64-bit FNV-1a hash of `bytes`: the same bytes give the same value on every machine and
// in every run, so it may name files and seed made-up weather.
uint64_t fnv1a(std::string_view bytes);

}  // namespace nubivo::host
