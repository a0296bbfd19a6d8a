// nubivo-feed-dump FILE...: shows what the viewer makes of a feed. Scans each file in turn
// into the one record, as successive updates would, then prints the weather fields as
// name=value lines. Never reaches the network: the icon's URL is taken, not fetched.
#include <cstdio>
#include <cstring>
#include <vector>

#include "feed/scan_feed.h"
#include "images/condition_icon.h"
#include "project_values.h"
#include "state/viewer_state.h"

namespace {

bool readFile(const char* path, std::vector<char>& bytes) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    bytes.clear();
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok && bytes.size() <= INT32_MAX;
}

void printText(const char* name, const char* value) {
    std::printf("%s=%s\n", name, value);
}

void printNumber(const char* name, int32_t value) {
    std::printf("%s=%d\n", name, value);
}

void printFields() {
    const nubivo::WeatherReport& w = nubivo::viewerState.weather;
    printText("city", w.city);
    printText("region", w.region);
    printText("country", w.country);
    printText("tempUnit", w.tempUnit);
    printText("distanceUnit", w.distanceUnit);
    printText("pressureUnit", w.pressureUnit);
    printText("speedUnit", w.speedUnit);
    printNumber("windChill", w.windChill);
    printNumber("windDirection", w.windDirection);
    printNumber("windSpeed", w.windSpeed);
    printNumber("humidity", w.humidity);
    printNumber("visibility", w.visibility);
    std::printf("pressure=%.2f\n", static_cast<double>(w.pressure));
    printNumber("rising", w.rising);
    printText("sunrise", w.sunrise);
    printText("sunset", w.sunset);
    printText("latitude", w.latitude);
    printText("longitude", w.longitude);
    printText("conditionText", w.conditionText);
    printNumber("conditionCode", w.conditionCode);
    printNumber("conditionTemp", w.conditionTemp);
    printText("conditionDate", w.conditionDate);
    printNumber("forecastCount", w.forecastCount);
    for (int32_t i = 0; i < w.forecastCount; ++i) {
        const nubivo::ForecastDay& day = w.forecasts[i];
        std::printf("forecast[%d].day=%s\n", i, day.day);
        std::printf("forecast[%d].date=%s\n", i, day.date);
        std::printf("forecast[%d].low=%d\n", i, day.low);
        std::printf("forecast[%d].high=%d\n", i, day.high);
        std::printf("forecast[%d].text=%s\n", i, day.text);
        std::printf("forecast[%d].code=%d\n", i, day.code);
    }
    printText("conditionIconUrl", nubivo::viewerState.conditionIconUrl);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf(
            "Usage: nubivo-feed-dump FILE...\n"
            "Scans each weather feed FILE in turn into one record, as successive updates\n"
            "of the viewer would, and prints the weather fields as name=value lines.\n"
            "Never reaches the network: the condition icon's address is shown, not\n"
            "fetched.\n");
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("nubivo-feed-dump %s\n", nubivo::projectVersion);
        return 0;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: nubivo-feed-dump FILE...\n");
        return 2;
    }
    nubivo::setIconDownloadEnabled(false);
    std::vector<char> bytes;
    for (int i = 1; i < argc; ++i) {
        if (!readFile(argv[i], bytes)) {
            std::fprintf(stderr, "nubivo-feed-dump: cannot read %s\n", argv[i]);
            return 1;
        }
        nubivo::scanFeed(bytes.data(), static_cast<int32_t>(bytes.size()));
    }
    printFields();
    return 0;
}
