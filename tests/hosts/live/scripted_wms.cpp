#include "tests/hosts/live/scripted_wms.h"

#include <FreeImage.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hosts/core/calendar.h"

namespace nubivo::test {
namespace {

constexpr double degree = 3.14159265358979323846 / 180.0;
constexpr int64_t mondayMorning = 1796638800;  // 2026-12-07 10:20:00 UTC
constexpr double discDegrees = 80;
constexpr int64_t gibsRetention = 90 * 86400;
constexpr int64_t geoServerRetention = 7 * 86400;

struct LayerInfo {
    double longitude;  // of the sub-satellite point; NAN for the daily composites
    int64_t step;
    uint8_t blue;
};

const std::map<std::string, LayerInfo>& gibsLayers() {
    static const std::map<std::string, LayerInfo> layers = {
        {"GOES-East_ABI_GeoColor", {-75.2, 600, 200}},
        {"GOES-West_ABI_GeoColor", {-137.2, 600, 150}},
        {"GOES-East_ABI_Band13_Clean_Infrared", {-75.2, 600, 190}},
        {"Himawari_AHI_Band13_Clean_Infrared", {140.7, 600, 100}},
        {"Himawari_AHI_Band3_Red_Visible_1km", {140.7, 600, 90}},
        {"VIIRS_NOAA20_CorrectedReflectance_TrueColor", {NAN, 86400, 30}},
        {"VIIRS_NOAA21_CorrectedReflectance_TrueColor", {NAN, 86400, 30}},
        {"VIIRS_SNPP_CorrectedReflectance_TrueColor", {NAN, 86400, 30}},
        {"MODIS_Terra_CorrectedReflectance_TrueColor", {NAN, 86400, 30}},
    };
    return layers;
}

const std::map<std::string, LayerInfo>& eumetsatLayers() {
    static const std::map<std::string, LayerInfo> layers = {
        {"mtg_fd:rgb_geocolour", {0.0, 600, 250}},       {"mtg_fd:ir105_hrfi", {0.0, 600, 240}},
        {"msg_fes:rgb_naturalenhncd", {0.0, 900, 230}},  {"msg_iodc:ir108", {45.5, 900, 50}},
        {"msg_iodc:rgb_naturalenhncd", {45.5, 900, 60}},
    };
    return layers;
}

const LayerInfo* findLayer(const std::string& name) {
    for (const auto* layers : {&gibsLayers(), &eumetsatLayers()}) {
        const auto found = layers->find(name);
        if (found != layers->end())
            return &found->second;
    }
    return nullptr;
}

// WMS parameter names are case-insensitive.
std::string param(const httplib::Request& request, const char* name) {
    for (const auto& [key, value] : request.params) {
        if (key.size() == std::strlen(name) &&
            std::equal(key.begin(), key.end(), name, [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) == b;
            })) {
            return value;
        }
    }
    return "";
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// "2026-12-07T10:20:00Z" exactly, or a day "2026-12-07"; false for anything else.
bool strictTime(const std::string& text, int64_t* seconds, bool* dayOnly) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
    *dayOnly = text.size() == 10;
    if (*dayOnly) {
        if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &used) != 3 ||
            used != 10)
            return false;
    } else if (text.size() != 20 ||
               std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2dZ%n", &year, &month, &day, &hour,
                           &minute, &second, &used) != 6 ||
               used != 20) {
        return false;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return false;
    *seconds = host::daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

// GeoServer's own way of writing a time.
std::string geoServerTime(int64_t seconds) {
    const host::CivilDate date = host::civilDate(host::floorDiv(seconds, 86400));
    const int64_t inDay = seconds - host::floorDiv(seconds, 86400) * 86400;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.000Z", date.year, date.month,
                  date.day, static_cast<int>(inDay / 3600), static_cast<int>(inDay / 60 % 60),
                  static_cast<int>(inDay % 60));
    return text;
}

enum class Flavour { Gibs, GeoServer };

void exception(httplib::Response& response, Flavour flavour, bool v130, const std::string& code,
               const std::string& text) {
    response.status = 200;
    if (v130 || (flavour == Flavour::Gibs && code == "InvalidDimensionValue")) {
        response.set_content(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ServiceExceptionReport version=\"1.3.0\" "
            "xmlns=\"http://www.opengis.net/ogc\"><ServiceException code=\"" +
                code + "\">" + text + "</ServiceException></ServiceExceptionReport>\n",
            flavour == Flavour::Gibs ? "text/xml" : "text/xml;charset=UTF-8");
        return;
    }
    response.set_content(
        "<?xml version='1.0' encoding=\"UTF-8\"?>\n<ServiceExceptionReport version=\"1.1.1\">"
        "<ServiceException code=\"" +
            code + "\">" + text + "</ServiceException></ServiceExceptionReport>\n",
        "application/vnd.ogc.se_xml; charset=UTF-8");
}

// A GetMap's box, size and format as both versions take them; false (and an exception sent)
// when they are not a valid request.
struct MapAsk {
    double west, south, east, north;
    int32_t width, height;
    bool png, transparent, v130;
};

bool readMapAsk(const httplib::Request& request, httplib::Response& response, Flavour flavour,
                MapAsk* ask) {
    const std::string version = param(request, "VERSION");
    ask->v130 = version == "1.3.0";
    if (version != "1.1.1" && !ask->v130) {
        exception(response, flavour, false, "InvalidParameterValue", "VERSION");
        return false;
    }
    const std::string crs = param(request, ask->v130 ? "CRS" : "SRS");
    if (upper(crs) != "EPSG:4326") {
        exception(response, flavour, ask->v130, "InvalidSRS", "Invalid SRS or CRS");
        return false;
    }
    double edges[4];
    int used = 0;
    const std::string box = param(request, "BBOX");
    if (std::sscanf(box.c_str(), "%lf,%lf,%lf,%lf%n", &edges[0], &edges[1], &edges[2], &edges[3],
                    &used) != 4 ||
        static_cast<size_t>(used) != box.size()) {
        exception(response, flavour, ask->v130, "InvalidParameterValue", "Invalid BBOX");
        return false;
    }
    // 1.3.0 with EPSG:4326 is latitude first.
    if (ask->v130) {
        ask->south = edges[0], ask->west = edges[1], ask->north = edges[2], ask->east = edges[3];
    } else {
        ask->west = edges[0], ask->south = edges[1], ask->east = edges[2], ask->north = edges[3];
    }
    if (ask->west >= ask->east || ask->south >= ask->north || ask->west < -180 || ask->east > 180 ||
        ask->south < -90 || ask->north > 90) {
        exception(response, flavour, ask->v130, "InvalidParameterValue", "Invalid BBOX");
        return false;
    }
    ask->width = std::atoi(param(request, "WIDTH").c_str());
    ask->height = std::atoi(param(request, "HEIGHT").c_str());
    if (ask->width < 1 || ask->height < 1 || ask->width > 4096 || ask->height > 4096) {
        exception(response, flavour, ask->v130, "InvalidParameterValue", "Invalid size");
        return false;
    }
    const std::string format = param(request, "FORMAT");
    ask->png = format == "image/png";
    if (!ask->png && format != "image/jpeg") {
        exception(response, flavour, ask->v130, "InvalidFormat", "Invalid format " + format);
        return false;
    }
    ask->transparent = ask->png && upper(param(request, "TRANSPARENT")) == "TRUE";
    return true;
}

// Draws a picture of `layer` at `taken` (0: blank) over the asked box.
void sendPicture(httplib::Response& response, const MapAsk& ask, const LayerInfo* layer,
                 int64_t taken, bool black, bool cloudBand, Flavour flavour) {
    FIBITMAP* bitmap = FreeImage_Allocate(ask.width, ask.height, 32);
    const double cloud =
        cloudBand ? std::fmod(static_cast<double>(taken / 600) * 37.0, 360.0) - 180.0 : 1000.0;
    const uint8_t outside = flavour == Flavour::GeoServer && !ask.transparent ? 255 : 0;
    for (int32_t y = 0; y < ask.height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap, ask.height - 1 - y);
        const double lat = ask.north - (y + 0.5) / ask.height * (ask.north - ask.south);
        for (int32_t x = 0; x < ask.width; ++x) {
            const double lon = ask.west + (x + 0.5) / ask.width * (ask.east - ask.west);
            BYTE* p = row + x * 4;
            bool seen = taken != 0 && !black && layer != nullptr;
            if (seen && !std::isnan(layer->longitude)) {
                const double arc =
                    std::acos(std::cos(lat * degree) * std::cos((lon - layer->longitude) * degree));
                seen = arc / degree <= discDegrees;
            }
            if (!seen) {
                p[FI_RGBA_RED] = p[FI_RGBA_GREEN] = p[FI_RGBA_BLUE] = black ? 0 : outside;
                p[FI_RGBA_ALPHA] = ask.transparent ? 0 : 255;
                continue;
            }
            const bool white = lon >= cloud && lon < cloud + 2;
            p[FI_RGBA_RED] = white ? 255 : ScriptedWms::longitudeRed(lon);
            p[FI_RGBA_GREEN] = white ? 255 : ScriptedWms::latitudeGreen(lat);
            p[FI_RGBA_BLUE] = white ? 255 : layer->blue;
            p[FI_RGBA_ALPHA] = 255;
        }
    }
    FIBITMAP* saved = bitmap;
    if (!ask.png)
        saved = FreeImage_ConvertTo24Bits(bitmap);
    FIMEMORY* memory = FreeImage_OpenMemory(nullptr, 0);
    FreeImage_SaveToMemory(ask.png ? FIF_PNG : FIF_JPEG, saved, memory,
                           ask.png ? PNG_DEFAULT : JPEG_QUALITYGOOD);
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory, &data, &size);
    response.set_content(reinterpret_cast<const char*>(data), size,
                         ask.png ? "image/png" : "image/jpeg");
    FreeImage_CloseMemory(memory);
    if (saved != bitmap)
        FreeImage_Unload(saved);
    FreeImage_Unload(bitmap);
}

}  // namespace

ScriptedWms::ScriptedWms() : clock_([] { return mondayMorning; }) {}

void ScriptedWms::setClock(Clock clock) {
    std::lock_guard<std::mutex> guard(mutex_);
    clock_ = std::move(clock);
}

void ScriptedWms::setDelay(const std::string& layer, std::function<int64_t(int64_t)> delay) {
    std::lock_guard<std::mutex> guard(mutex_);
    delays_[layer] = std::move(delay);
}

void ScriptedWms::dropPicture(const std::string& layer, int64_t taken) {
    std::lock_guard<std::mutex> guard(mutex_);
    dropped_.emplace(layer, taken);
}

void ScriptedWms::setToday(std::string day) {
    std::lock_guard<std::mutex> guard(mutex_);
    today_ = std::move(day);
}

void ScriptedWms::setCloudBand(bool drawn) {
    std::lock_guard<std::mutex> guard(mutex_);
    cloudBand_ = drawn;
}

const std::set<std::string>& ScriptedWms::geoServerLayers() {
    static const std::set<std::string> names = [] {
        std::set<std::string> all;
        for (const auto& entry : eumetsatLayers())
            all.insert(entry.first);
        return all;
    }();
    return names;
}

const std::set<std::string>& ScriptedWms::gibsSubDailyLayers() {
    static const std::set<std::string> names = [] {
        std::set<std::string> all;
        for (const auto& [name, layer] : gibsLayers()) {
            if (!std::isnan(layer.longitude))
                all.insert(name);
        }
        return all;
    }();
    return names;
}

uint8_t ScriptedWms::pictureBlue(const std::string& layer) {
    const LayerInfo* info = findLayer(layer);
    return info == nullptr ? 0 : info->blue;
}

uint8_t ScriptedWms::longitudeRed(double lon) {
    return static_cast<uint8_t>(std::clamp((lon + 180.0) / 360.0 * 255.0, 0.0, 255.0));
}

uint8_t ScriptedWms::latitudeGreen(double lat) {
    return static_cast<uint8_t>(std::clamp((lat + 90.0) / 180.0 * 255.0, 0.0, 255.0));
}

bool ScriptedWms::cloudBand() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return cloudBand_;
}

int64_t ScriptedWms::now() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return clock_();
}

bool ScriptedWms::held(const std::string& layer, int64_t taken, int64_t now) const {
    const LayerInfo* info = findLayer(layer);
    if (info == nullptr || taken % info->step != 0 || taken > now)
        return false;
    const bool gibs = gibsLayers().count(layer) != 0;
    std::function<int64_t(int64_t)> delay;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (dropped_.count({layer, taken}))
            return false;
        const auto found = delays_.find(layer);
        if (found != delays_.end())
            delay = found->second;
    }
    if (!delay) {
        // GIBS: irregular, 35 to 45 minutes; GeoServer: 15 minutes.
        delay = gibs ? [](int64_t t) { return (35 + (t / 600 * 7919) % 11) * 60; }
                     : [](int64_t) { return int64_t{15 * 60}; };
    }
    return taken + delay(taken) <= now &&
           now - taken <= (gibs ? gibsRetention : geoServerRetention);
}

int64_t ScriptedWms::newestHeld(const std::string& layer, int64_t now) const {
    const LayerInfo* info = findLayer(layer);
    if (info == nullptr)
        return 0;
    for (int64_t taken = host::floorDiv(now, info->step) * info->step; taken > now - 2 * 86400;
         taken -= info->step) {
        if (held(layer, taken, now))
            return taken;
    }
    return 0;
}

void ScriptedWms::answerGibs(const httplib::Request& request, httplib::Response& response,
                             Trouble trouble) {
    if (trouble == Trouble::ServiceException)
        return exception(response, Flavour::Gibs, false, "NoApplicableCode", "Internal error");
    const bool black = trouble == Trouble::Black;
    if (param(request, "SERVICE") != "WMS" || param(request, "REQUEST") != "GetMap")
        return exception(response, Flavour::Gibs, false, "OperationNotSupported",
                         "Invalid request");
    MapAsk ask{};
    if (!readMapAsk(request, response, Flavour::Gibs, &ask))
        return;
    const std::string layerName = param(request, "LAYERS");
    const auto found = gibsLayers().find(layerName);
    if (found == gibsLayers().end())
        return exception(response, Flavour::Gibs, ask.v130, "LayerNotDefined",
                         "Could not find layer " + layerName);
    const LayerInfo& layer = found->second;
    const int64_t time = now();
    const std::string asked = param(request, "TIME");
    int64_t taken = 0;
    bool dayOnly = false;
    if (asked.empty() || asked == "default") {
        taken = std::isnan(layer.longitude) ? host::floorDiv(time, 86400) * 86400 - 86400
                                            : newestHeld(layerName, time);
    } else if (!strictTime(asked, &taken, &dayOnly)) {
        return exception(response, Flavour::Gibs, ask.v130, "InvalidDimensionValue",
                         "Invalid time format");
    }
    if (std::isnan(layer.longitude)) {
        std::string today;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            today = today_;
        }
        int64_t todayStart = 0;
        strictTime(today, &todayStart, &dayOnly);
        // A day's composite: black from today on.
        return sendPicture(response, ask, &layer, taken, black || taken >= todayStart, cloudBand(),
                           Flavour::Gibs);
    }
    // A time between pictures is the picture before it; one not held yet is blank.
    const int64_t snapped = host::floorDiv(taken, layer.step) * layer.step;
    const bool isHeld = held(layerName, snapped, time);
    sendPicture(response, ask, &layer, isHeld ? snapped : 0, black && isHeld, cloudBand(),
                Flavour::Gibs);
}

void ScriptedWms::answerGeoServer(const httplib::Request& request, httplib::Response& response,
                                  const std::string& layerService, Trouble trouble) {
    if (trouble == Trouble::ServiceException)
        return exception(response, Flavour::GeoServer, false, "NoApplicableCode", "Internal error");
    const bool black = trouble == Trouble::Black;
    const std::string operation = param(request, "REQUEST");
    const int64_t time = now();
    if (upper(param(request, "SERVICE")) != "WMS")
        return exception(response, Flavour::GeoServer, false, "InvalidParameterValue", "SERVICE");
    if (operation == "GetCapabilities") {
        std::string body =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><WMS_Capabilities version=\"1.3.0\" "
            "xmlns=\"http://www.opengis.net/wms\"><Service><Name>WMS</Name></Service>"
            "<Capability><Layer><Title>EUMETView</Title><CRS>EPSG:4326</CRS>\n";
        for (const auto& [name, layer] : eumetsatLayers()) {
            if (!layerService.empty() && name != layerService)
                continue;
            const int64_t newest = newestHeld(name, time);
            const int64_t oldest =
                host::floorDiv(time - geoServerRetention, layer.step) * layer.step + layer.step;
            // A layer service names its layer without the workspace.
            const std::string shown = layerService.empty() ? name : name.substr(name.find(':') + 1);
            body += "<Layer queryable=\"1\" opaque=\"0\"><Name>" + shown + "</Name><Title>" +
                    shown + "</Title><CRS>EPSG:4326</CRS><Dimension name=\"time\" default=\"" +
                    geoServerTime(newest) + "\" units=\"ISO8601\" nearestValue=\"1\">" +
                    geoServerTime(oldest) + "/" + geoServerTime(newest) + "/PT" +
                    std::to_string(layer.step / 60) + "M</Dimension></Layer>\n";
        }
        body += "</Layer></Capability></WMS_Capabilities>\n";
        response.set_content(body, "text/xml;charset=UTF-8");
        return;
    }
    if (operation != "GetMap" || !layerService.empty())
        return exception(response, Flavour::GeoServer, false, "OperationNotSupported", operation);
    MapAsk ask{};
    if (!readMapAsk(request, response, Flavour::GeoServer, &ask))
        return;
    const std::string layerName = param(request, "LAYERS");
    const auto found = eumetsatLayers().find(layerName);
    if (found == eumetsatLayers().end())
        return exception(response, Flavour::GeoServer, ask.v130, "LayerNotDefined",
                         "Could not find layer " + layerName);
    const LayerInfo& layer = found->second;
    const int64_t newest = newestHeld(layerName, time);
    int64_t taken = newest;
    bool dayOnly = false;
    const std::string asked = param(request, "TIME");
    int64_t wanted = newest;
    if (!asked.empty() && !strictTime(asked, &wanted, &dayOnly) &&
        !strictTime(asked.substr(0, 19) + "Z", &wanted, &dayOnly)) {
        return exception(response, Flavour::GeoServer, ask.v130, "InvalidDimensionValue",
                         "Could not parse time " + asked);
    }
    // The nearest picture held, before or after.
    int64_t best = 0;
    const int64_t below = host::floorDiv(wanted, layer.step) * layer.step;
    for (int64_t i = 0; i * layer.step <= geoServerRetention; ++i) {
        for (const int64_t candidate : {below - i * layer.step, below + (i + 1) * layer.step}) {
            if (held(layerName, candidate, time) &&
                (best == 0 || std::llabs(candidate - wanted) < std::llabs(best - wanted))) {
                best = candidate;
            }
        }
        if (best != 0 && std::llabs(best - wanted) <= i * layer.step)
            break;
    }
    taken = best;
    if (asked.empty())
        response.set_header("Warning",
                            "99 Default value used: time=" + geoServerTime(taken) + " ISO8601");
    else if (taken != wanted)
        response.set_header("Warning",
                            "99 Nearest value used: time=" + geoServerTime(taken) + " ISO8601");
    sendPicture(response, ask, &layer, taken, black, cloudBand(), Flavour::GeoServer);
}

}  // namespace nubivo::test
