#include "images/map_layers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "images/image_download.h"
#include "platform/http.h"
#include "platform/http_date.h"
#include "platform/server_addresses.h"

namespace nubivo {

// Fixed texts, one per region and layer; the satellite names follow no pattern.
const char* const mapImagePath[regionCount][mapLayerCount] = {
    {"/images/eur_satintl_440_mdy_y.jpg", "/images/eur_fcsthi_440_mdy_y.jpg",
     "/images/eur_fcstlo_440_mdy_y.jpg", "/images/eur_precip_440_mdy_y.jpg"},
    {"/images/na_sat_440_mdy_y.jpg", "/images/na_fcsthi_440_mdy_y.jpg",
     "/images/na_fcstlo_440_mdy_y.jpg", "/images/na_precip_440_mdy_y.jpg"},
    {"/images/sa_satintl_440_mdy_y.jpg", "/images/sa_fcsthi_440_mdy_y.jpg",
     "/images/sa_fcstlo_440_mdy_y.jpg", "/images/sa_precip_440_mdy_y.jpg"},
    {"/images/asia_sat_440_mdy_y.jpg", "/images/asia_fcsthi_440_mdy_y.jpg",
     "/images/asia_fcstlo_440_mdy_y.jpg", "/images/asia_precip_440_mdy_y.jpg"},
    {"/images/aus_sat_440_mdy_y.jpg", "/images/aus_fcsthi_440_mdy_y.jpg",
     "/images/aus_fcstlo_440_mdy_y.jpg", "/images/aus_precip_440_mdy_y.jpg"},
    {"/images/carib_websattropir_440_mdy_y.jpg", "/images/carib_fcsthi_440_mdy_y.jpg",
     "/images/carib_fcstlo_440_mdy_y.jpg", "/images/carib_precip_440_mdy_y.jpg"},
    {"/images/me_satintl_440_mdy_y.jpg", "/images/me_fcsthi_440_mdy_y.jpg",
     "/images/me_fcstlo_440_mdy_y.jpg", "/images/me_precip_440_mdy_y.jpg"},
    {"/images/afr_satintl_440_mdy_y.jpg", "/images/afr_fcsthi_440_mdy_y.jpg",
     "/images/afr_fcstlo_440_mdy_y.jpg", "/images/afr_precip_440_mdy_y.jpg"},
};

namespace {

constexpr size_t urlSize = 1024;
constexpr size_t headerSize = 4096;

// Opens the picture's request; null when the URL does not fit its buffer (never cut) or the
// request fails.
HttpRequest* openPicture(int32_t region, MapLayer layer) {
    char url[urlSize];
    int written = std::snprintf(url, sizeof url, "%s%s", imageHost(), mapImagePath[region][layer]);
    if (written < 0 || static_cast<size_t>(written) >= sizeof url) {
        return nullptr;
    }
    return httpOpen(url, true);
}

void storeStamp(MapLayer layer, const SystemTime& stamp, int32_t region) {
    std::lock_guard guard(viewerState.stateLock);
    viewerState.layerStamp[layer] = stamp;
    viewerState.layerStampRegion[layer] = region;
}

}  // namespace

void fetchMapLayer(MapLayer layer) {
    if (layer < 0 || layer >= mapLayerCount) {
        return;
    }
    int32_t region = viewerState.selectedRegion.load(std::memory_order_acquire);
    if (region < 0 || region >= regionCount) {
        region = Europe;  // the list reports no selection as -1
    }
    HttpRequest* request = openPicture(region, layer);

    // Without a Last-Modified date the picture is always fetched and the stamp stays zero,
    // which no date equals.
    char text[headerSize];
    SystemTime stamp{};
    bool dated =
        httpHeader(request, "Last-Modified", text, sizeof text) && parseHttpDate(text, &stamp);

    // Only the worker writes the stamps, so reading them here needs no lock. A stamp taken
    // for another region says nothing about this region's picture.
    if (dated && viewerState.layerStampRegion[layer] == region &&
        std::memcmp(&stamp, &viewerState.layerStamp[layer], sizeof stamp) == 0) {
        httpClose(request);
        return;
    }
    storeStamp(layer, stamp, region);

    ResponseBody body = readResponseBody(request);
    replaceImageWithin(viewerState.layerImage[layer], body.block, body.size, mapKeptWidth,
                       mapKeptHeight);
    std::free(body.block);
    httpClose(request);

    // An empty slot, or a picture cut short by a failed read, must not be kept by its
    // stamp: the next update tries again.
    if (!body.complete || viewerState.layerImage[layer] == nullptr) {
        storeStamp(layer, SystemTime{}, -1);
    }
}

}  // namespace nubivo
