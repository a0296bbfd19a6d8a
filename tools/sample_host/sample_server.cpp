#include "tools/sample_host/sample_server.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "images/map_layers.h"
#include "tools/sample_host/sample_feed.h"
#include "tools/sample_host/sample_icons.h"
#include "tools/sample_host/sample_weather.h"

namespace nubivo::sample {
namespace {

int64_t floorDiv(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// A path as an httplib pattern: its dots matched literally.
std::string literalPattern(std::string_view path) {
    std::string pattern;
    for (char c : path) {
        if (c == '.')
            pattern += '\\';
        pattern += c;
    }
    return pattern;
}

void sendBytes(httplib::Response& response, const std::vector<uint8_t>& bytes,
               const char* contentType) {
    response.set_content(reinterpret_cast<const char*>(bytes.data()), bytes.size(), contentType);
}

}  // namespace

int64_t systemSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string httpDate(int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    gmtime_r(&time, &parts);
    static constexpr const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", days[parts.tm_wday],
                  parts.tm_mday, months[parts.tm_mon], parts.tm_year + 1900, parts.tm_hour,
                  parts.tm_min, parts.tm_sec);
    return text;
}

std::string iconBaseFor(std::string_view host, std::string_view fallback) {
    bool plain = !host.empty() && host.size() <= 100;
    for (char c : host) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':' ||
                             c == '[' || c == ']';
        plain = plain && allowed;
    }
    return plain ? "http://" + std::string(host) : std::string(fallback);
}

SampleHost::SampleHost(Clock clock, std::string fallbackBase)
    : clock_(std::move(clock)), fallbackBase_(std::move(fallbackBase)) {
    icons_.resize(static_cast<size_t>(lastConditionCode) + 1);
}

MapPicture SampleHost::map(int32_t region, int32_t layer) {
    MapPicture picture;
    picture.hour = floorDiv(clock_(), 3600);
    if (region < 0 || region >= mapRegionCount || layer < 0 || layer >= mapLayerCount) {
        return picture;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    if (picture.hour != mapHour_) {
        // A new hour: every map is made anew, so all 32 share the hour's Last-Modified.
        for (auto& row : maps_) {
            for (auto& slot : row)
                slot.reset();
        }
        mapHour_ = picture.hour;
    }
    auto& slot = maps_[region][layer];
    if (!slot) {
        slot =
            std::make_shared<const std::vector<uint8_t>>(mapPicture(region, layer, picture.hour));
    }
    picture.bytes = slot;
    return picture;
}

std::shared_ptr<const std::vector<uint8_t>> SampleHost::icon(int32_t code) {
    if (code < firstConditionCode || code > lastConditionCode)
        return nullptr;
    std::lock_guard<std::mutex> guard(mutex_);
    auto& slot = icons_[static_cast<size_t>(code)];
    if (!slot)
        slot = std::make_shared<const std::vector<uint8_t>>(iconPicture(code));
    return slot;
}

void SampleHost::install(httplib::Server& server) {
    server.Get(
        "/forecastrss", [this](const httplib::Request& request, httplib::Response& response) {
            const std::string location = request.get_param_value("p");
            const bool metric = request.get_param_value("u") == "c";
            const std::string base = iconBaseFor(request.get_header_value("Host"), fallbackBase_);
            response.set_content(feedDocument(location, metric, clock_(), base),
                                 "application/rss+xml; charset=UTF-8");
        });

    server.Get(R"(/icons/(\d{1,9})\.png)",
               [this](const httplib::Request& request, httplib::Response& response) {
                   const auto picture = icon(std::stoi(request.matches[1].str()));
                   if (!picture || picture->empty()) {
                       response.status = 404;
                       return;
                   }
                   sendBytes(response, *picture, "image/png");
               });

    for (int32_t region = 0; region < mapRegionCount; ++region) {
        for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
            // The very paths the viewer asks for.
            server.Get(literalPattern(mapImagePath[region][layer]),
                       [this, region, layer](const httplib::Request&, httplib::Response& response) {
                           const MapPicture picture = map(region, layer);
                           if (!picture.bytes || picture.bytes->empty()) {
                               response.status = 500;
                               return;
                           }
                           response.set_header("Last-Modified", httpDate(picture.hour * 3600));
                           sendBytes(response, *picture.bytes, "image/jpeg");
                       });
        }
    }

    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        const char* text = response.status == 404 ? "Not found\n" : "Error\n";
        response.set_content(text, "text/plain; charset=UTF-8");
    });
}

}  // namespace nubivo::sample
