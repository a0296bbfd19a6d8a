#pragma once

#include <httplib.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace nubivo::test {

// Stand-ins for the two WMS services the satellite maps use, as strict as the real ones:
//
// GIBS (MapServer): sub-daily layers with a picture every 10 minutes, each held from some
// delay after it was taken (irregular, 35 to 45 minutes, unless set); a TIME between pictures
// gives the picture before it, a TIME not held yet (or none held) a blank picture with status
// 200 (black JPEG, transparent PNG), a badly formed TIME an XML report with status 200.
// Daily layers (the composites) hold every day before "today"; today's is black.
//
// EUMETSAT (GeoServer): a picture every 10 (0 degrees) or 15 minutes (Indian Ocean), each
// held 15 minutes after it was taken; any TIME gives the nearest picture held, with a
// "Warning: 99 Nearest value used" header when that is another time; capabilities of the
// whole service and of each layer (".../geoserver/<workspace>/<layer>/wms") with the time
// dimension.
//
// Both: WMS 1.1.1 (SRS, box west,south,east,north) and 1.3.0 (CRS, box south,west,north,
// east, latitude first); anything else is a ServiceException with status 200. The pixels
// are drawn from where they show: red the longitude (0 at 180 W to 255 at 180 E), green the
// latitude (0 at 90 S to 255 at 90 N), blue the satellite's mark (pictureBlue), with a white
// cloud band of 2 degrees of longitude whose place moves with the picture's time. Outside a
// satellite's disc (80 degrees of arc) a PNG asked transparent is transparent; else GIBS
// draws black, GeoServer white.
class ScriptedWms {
  public:
    using Clock = std::function<int64_t()>;

    ScriptedWms();

    // The time the services live at (seconds since 1970); a fixed Monday morning unless set.
    void setClock(Clock clock);
    // How long after it was taken each picture of `layer` is held, by the picture's time.
    void setDelay(const std::string& layer, std::function<int64_t(int64_t taken)> delay);
    // A picture of `layer` that is never held.
    void dropPicture(const std::string& layer, int64_t taken);
    // The UTC day ("2026-12-07") from which on the daily layers are black.
    void setToday(std::string day);
    // Whether pictures have their moving cloud band (they do unless set).
    void setCloudBand(bool drawn);

    // What goes wrong with an answer: nothing, a picture with nothing on it, or the
    // ServiceException of a failed request.
    enum class Trouble { None, Black, ServiceException };

    void answerGibs(const httplib::Request& request, httplib::Response& response, Trouble trouble);
    // `layer` names the layer service asked, "" for the whole service.
    void answerGeoServer(const httplib::Request& request, httplib::Response& response,
                         const std::string& layer, Trouble trouble);

    // The GeoServer layers ("workspace:name") and GIBS's sub-daily layers.
    static const std::set<std::string>& geoServerLayers();
    static const std::set<std::string>& gibsSubDailyLayers();

    // The blue of a layer's pictures.
    static uint8_t pictureBlue(const std::string& layer);
    // The red and green a picture has at (lon, lat).
    static uint8_t longitudeRed(double lon);
    static uint8_t latitudeGreen(double lat);

    // The newest picture of `layer` held at `now`; 0 for none.
    int64_t newestHeld(const std::string& layer, int64_t now) const;

  private:
    int64_t now() const;
    bool cloudBand() const;
    bool held(const std::string& layer, int64_t taken, int64_t now) const;

    mutable std::mutex mutex_;
    Clock clock_;
    std::map<std::string, std::function<int64_t(int64_t)>> delays_;
    std::set<std::pair<std::string, int64_t>> dropped_;
    std::string today_ = "2026-12-07";
    bool cloudBand_ = true;
};

}  // namespace nubivo::test
