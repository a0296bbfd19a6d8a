#pragma once

#include <cstddef>
#include <string>

namespace nubivo::bench {

// A weather feed of exactly `size` bytes (at least 2048): an RSS prolog and channel, then one
// item after another, each with the location, units, wind, atmosphere, astronomy, position,
// condition, icon and five forecast elements and an HTML description, until the next item
// would not fit; the rest is description text. Every item names the same values.
std::string benchFeed(size_t size);

}  // namespace nubivo::bench
