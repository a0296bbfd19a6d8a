#pragma once

#include <string>

#include "hosts/live/live_config.h"

namespace nubivo::live {

enum class CommandLine { Run, Help, Version, Bad };

// Reads nubivo-live-host's options into `config` (which holds the defaults): --port N,
// --cache-dir DIR, --forecast-url URL, --geocoding-url URL, --imagery-url URL, --gfs-url URL,
// --eumetsat-url URL, --feed-ttl SECONDS, --map-refresh SECONDS, --satellite-refresh SECONDS,
// each also as --name=value, and --help and --version. For Bad, `error` says what was wrong.
// Without --cache-dir the cache goes to DiskCache::defaultFolder().
CommandLine parseCommandLine(int argc, char** argv, LiveConfig* config, std::string* error);

// The text of --help.
std::string usageText();

}  // namespace nubivo::live
