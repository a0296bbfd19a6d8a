#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace nubivo {

// Most characters a path may hold (its buffer has one more byte for the NUL). A longer path
// is refused, never cut.
inline constexpr size_t maxPathLength = 259;

// Most characters of one city-list line; the rest of a longer line is dropped.
inline constexpr size_t maxLineLength = 255;

// The Countries folder under the current directory, with its final '/', into `out`. False
// (`out` empty when it has room) when the current directory is unknown or the path would
// exceed maxPathLength or `size` - 1 characters.
bool countriesFolder(char* out, size_t size);

// The country names of `folder`: every entry that is not a directory gives its name up to
// its first '.' (a name without '.' gives the whole name). Hidden files (names starting
// with '.') are skipped. Any order. Empty when the folder cannot be read.
std::vector<std::string> countryNames(const char* folder);

// The path of a country's city list, `folder` + `country` + ".nwv", into `out`. False
// (`out` untouched) when it would exceed maxPathLength or `size` - 1 characters.
bool cityListPath(const char* folder, const char* country, char* out, size_t size);

// The entries of the city-list file at `path`, one per line feed plus the text after the
// last one (so never fewer than one). A carriage return right before a line feed is
// dropped, any other stays. Lines are cut to maxLineLength characters. Empty when the file
// cannot be opened; a read error ends the file.
std::vector<std::string> cityEntries(const char* path);

}  // namespace nubivo
