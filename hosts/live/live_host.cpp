#include "hosts/live/live_host.h"

#include <httplib.h>

#include "hosts/core/host_server.h"
#include "images/map_layers.h"

namespace nubivo::live {

LiveHost::LiveHost(LiveConfig config, host::Clock clock)
    : config_(std::move(config)),
      clock_(std::move(clock)),
      upstream_(clock_, config_.upstream, config_.upstreamConcurrency),
      cache_(config_.cacheFolder),
      feeds_(config_, clock_, upstream_, cache_, flights_),
      maps_(config_, clock_, upstream_, cache_, flights_) {}

LiveHost::~LiveHost() {
    upstream_.abortAll();
}

HostAnswer LiveHost::feed(std::string_view location, bool metric, const std::string& iconBase) {
    return feeds_.answer(location, metric, iconBase);
}

MapAnswer LiveHost::map(int32_t region, int32_t layer) {
    return maps_.answer(region, layer);
}

std::shared_ptr<const std::vector<uint8_t>> LiveHost::icon(host::IconKind kind) {
    std::lock_guard<std::mutex> guard(iconMutex_);
    auto& slot = icons_[static_cast<int32_t>(kind)];
    if (!slot)
        slot = std::make_shared<const std::vector<uint8_t>>(host::iconPng(kind));
    return slot;
}

void LiveHost::install(httplib::Server& server) {
    const std::string fallbackBase =
        std::string("http://") + host::listenAddress + ":" + std::to_string(config_.port);
    server.Get("/forecastrss", [this, fallbackBase](const httplib::Request& request,
                                                    httplib::Response& response) {
        const std::string base = host::iconBaseFor(request.get_header_value("Host"), fallbackBase);
        HostAnswer answer =
            feed(request.get_param_value("p"), request.get_param_value("u") == "c", base);
        response.status = answer.status;
        response.set_content(std::move(answer.body), answer.contentType.c_str());
    });

    for (int32_t i = 0; i < host::iconKindCount; ++i) {
        const auto kind = static_cast<host::IconKind>(i);
        const std::string path = std::string("/icons/") + host::iconName(kind) + ".png";
        server.Get(host::literalPattern(path),
                   [this, kind](const httplib::Request&, httplib::Response& response) {
                       host::sendBytes(response, *icon(kind), "image/png");
                   });
    }

    for (int32_t region = 0; region < regionCount; ++region) {
        for (int32_t layer = 0; layer < layerCount; ++layer) {
            server.Get(host::literalPattern(mapImagePath[region][layer]),
                       [this, region, layer](const httplib::Request&, httplib::Response& response) {
                           const MapAnswer answer = map(region, layer);
                           if (!answer.bytes) {
                               host::sendText(response, answer.status,
                                              "No map to be had yet, try again later");
                               return;
                           }
                           response.set_header("Last-Modified",
                                               host::httpDate(answer.lastModified));
                           response.set_header("Cache-Control", "no-cache");
                           host::sendBytes(response, *answer.bytes, "image/jpeg");
                       });
        }
    }
    host::acceptLoopbackOnly(server);
    host::installPlainErrors(server);
}

}  // namespace nubivo::live
