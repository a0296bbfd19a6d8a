#include "hosts/sample/sample_server.h"

#include <httplib.h>

#include "hosts/core/host_server.h"
#include "hosts/core/icons.h"
#include "hosts/sample/sample_feed.h"
#include "hosts/sample/sample_weather.h"
#include "images/map_layers.h"

namespace nubivo::sample {
using host::floorDiv;
using host::httpDate;

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
        slot = std::make_shared<const std::vector<uint8_t>>(host::iconPng(iconOf(code)));
    return slot;
}

void SampleHost::install(httplib::Server& server) {
    server.Get("/forecastrss", [this](const httplib::Request& request,
                                      httplib::Response& response) {
        const std::string location = request.get_param_value("p");
        const bool metric = request.get_param_value("u") == "c";
        const std::string base = host::iconBaseFor(request.get_header_value("Host"), fallbackBase_);
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
                   host::sendBytes(response, *picture, "image/png");
               });

    for (int32_t region = 0; region < mapRegionCount; ++region) {
        for (int32_t layer = 0; layer < mapLayerCount; ++layer) {
            // The very paths the viewer asks for.
            server.Get(host::literalPattern(mapImagePath[region][layer]),
                       [this, region, layer](const httplib::Request&, httplib::Response& response) {
                           const MapPicture picture = map(region, layer);
                           if (!picture.bytes || picture.bytes->empty()) {
                               response.status = 500;
                               return;
                           }
                           response.set_header("Last-Modified", httpDate(picture.hour * 3600));
                           host::sendBytes(response, *picture.bytes, "image/jpeg");
                       });
        }
    }

    host::acceptLoopbackOnly(server);
    host::installPlainErrors(server);
}

}  // namespace nubivo::sample
