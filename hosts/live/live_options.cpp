#include "hosts/live/live_options.h"

#include <cstring>

#include "hosts/core/command_line.h"
#include "hosts/live/disk_cache.h"

namespace nubivo::live {
namespace {

bool isHttpUrl(const char* text) {
    return (std::strncmp(text, "https://", 8) == 0 && text[8] != '\0') ||
           (std::strncmp(text, "http://", 7) == 0 && text[7] != '\0');
}

// The options that name a service, and those that take a number of seconds: each sets one
// field of the configuration.
template <typename Field>
struct FieldOption {
    const char* name;
    Field LiveConfig::*field;
};
constexpr FieldOption<std::string> urlOptions[] = {
    {"--forecast-url", &LiveConfig::forecastUrl}, {"--geocoding-url", &LiveConfig::geocodingUrl},
    {"--imagery-url", &LiveConfig::imageryUrl},   {"--gfs-url", &LiveConfig::gfsUrl},
    {"--eumetsat-url", &LiveConfig::eumetsatUrl},
};
constexpr FieldOption<int64_t> secondsOptions[] = {
    {"--feed-ttl", &LiveConfig::feedTtl},
    {"--map-refresh", &LiveConfig::mapRefresh},
    {"--satellite-refresh", &LiveConfig::satelliteRefresh},
};

// The option of `options` that `matches` (which reads its value when it does), or null.
template <typename Option, size_t count, typename Matches>
const Option* findOption(const Option (&options)[count], Matches& matches) {
    for (const Option& candidate : options) {
        if (matches(candidate.name))
            return &candidate;
    }
    return nullptr;
}

}  // namespace

std::string usageText() {
    return std::string(
               "Usage: nubivo-live-host [--port N] [--cache-dir DIR] [--forecast-url URL]\n"
               "                        [--geocoding-url URL] [--imagery-url URL]\n"
               "                        [--gfs-url URL] [--eumetsat-url URL]\n"
               "                        [--feed-ttl SECONDS] [--map-refresh SECONDS]\n"
               "                        [--satellite-refresh SECONDS]\n"
               "Serves the weather viewer's feed and maps with real weather on "
               "http://127.0.0.1:N\n"
               "(requests naming another host than 127.0.0.1:N or localhost:N get 403):\n"
               "weather data by Open-Meteo.com (CC BY 4.0), location data based on GeoNames,\n"
               "satellite imagery from NASA GIBS and EUMETSAT, forecast maps from NOAA GFS.\n"
               "Places: \"Paris\", \"Paris FR\", \"Paris, FR\", \"Portland OR\", "
               "\"Portland, Oregon\",\n"
               "a postal code the place database lists, or \"-77.85, 166.67\" (degrees).\n"
               "A value a service lacks is sent empty; after Open-Meteo's minutely, hourly or\n"
               "daily limit no forecast is asked until it is reset.\n\n"
               "  --port N             the port to listen on (") +
           std::to_string(defaultHostPort) +
           ")\n"
           "  --cache-dir DIR      where places, weather and maps are kept\n"
           "                       ($XDG_CACHE_HOME/nubivo-weather-viewer or\n"
           "                       ~/.cache/nubivo-weather-viewer)\n"
           "  --forecast-url URL   the forecast service (" +
           defaultForecastUrl +
           ")\n"
           "  --geocoding-url URL  the place search (" +
           defaultGeocodingUrl +
           ")\n"
           "  --imagery-url URL    the imagery service (" +
           defaultImageryUrl +
           ")\n"
           "  --gfs-url URL        the bucket of the GFS model's runs\n"
           "                       (" +
           defaultGfsUrl +
           ")\n"
           "  --eumetsat-url URL   the Meteosat imagery service (" +
           defaultEumetsatUrl +
           ")\n"
           "  --feed-ttl SECONDS   how long a place's weather stays fresh (900)\n"
           "  --map-refresh SECONDS\n"
           "                       how often a forecast map is rebuilt at most (10800)\n"
           "  --satellite-refresh SECONDS\n"
           "                       how often a satellite map is rebuilt at most (1200)\n"
           "  --help               this text\n"
           "  --version            the program's version\n";
}

CommandLine parseCommandLine(int argc, char** argv, LiveConfig* config, std::string* error) {
    bool cacheGiven = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)
            return CommandLine::Help;
        if (std::strcmp(arg, "--version") == 0)
            return CommandLine::Version;
        bool missing = false;
        const char* value = nullptr;
        auto option = [&](const char* name) {
            value = host::optionValue(argc, argv, &i, name, &missing);
            return value != nullptr || missing;
        };
        auto bad = [&](const std::string& what) {
            *error = missing ? std::string("option ") + arg + " needs a value"
                             : what + ": '" + value + "'";
            return CommandLine::Bad;
        };
        if (option("--port")) {
            if (missing || !host::parsePort(value, &config->port))
                return bad("--port takes a number from 1 to 65535");
        } else if (option("--cache-dir")) {
            if (missing || value[0] == '\0')
                return bad("--cache-dir takes a folder");
            config->cacheFolder = value;
            cacheGiven = true;
        } else if (const auto* url = findOption(urlOptions, option)) {
            if (missing || !isHttpUrl(value))
                return bad(std::string(url->name) + " takes an http or https URL");
            config->*url->field = value;
        } else if (const auto* seconds = findOption(secondsOptions, option)) {
            if (missing || !host::parseSeconds(value, &(config->*seconds->field)))
                return bad(std::string(seconds->name) + " takes a whole number of seconds");
        } else {
            *error = std::string("unknown option '") + arg + "'";
            return CommandLine::Bad;
        }
    }
    if (!cacheGiven)
        config->cacheFolder = DiskCache::defaultFolder();
    return CommandLine::Run;
}

}  // namespace nubivo::live
