#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/local_server.h"
#include "tests/hosts/live/scripted_wms.h"

namespace nubivo::test {

// A place the scripted geocoder knows.
struct ScriptedPlace {
    std::string name;
    std::string countryCode;  // "" leaves country_code out, as for some islands
    std::string admin1;
    double latitude = 0;
    double longitude = 0;
    int64_t population = 0;
    std::vector<std::string> postcodes;
    // What the service knows of the place but does not send: its admin1 area's abbreviation
    // ("IL") and the country's name, both readable as a qualifier after a comma.
    std::string admin1Code{};
    std::string countryName{};
};

// What the scripted forecast service answers for a place, in its metric units. An empty
// value is written null under its unit.
struct ScriptedWeather {
    std::string time = "2026-12-07T10:45";  // the current conditions' local time
    int32_t utcOffsetSeconds = 3600;
    std::string timezone = "Europe/Paris";
    std::string abbreviation = "GMT+1";
    std::optional<double> temperature = 6.1;
    std::optional<double> apparentTemperature = 3.2;
    std::optional<double> humidity = 87;
    std::optional<int32_t> weatherCode = 3;
    int32_t isDay = 1;
    std::optional<double> pressure = 1012.4;
    std::optional<double> windSpeed = 14.8;
    std::optional<double> windDirection = 230;
    std::optional<double> visibility = 18400.0;
    // Variables no model of the point covers: null under the unit "undefined".
    std::set<std::string> uncovered;
    // The hours from three before the current one up to it.
    std::vector<double> hourlyPressure = {1014.0, 1013.5, 1013.0, 1012.6};
    struct Day {
        std::optional<int32_t> code;
        std::optional<double> high;
        std::optional<double> low;
        // "08:33"; never null. A polar night is "00:00" twice, a polar day "00:00" and "24:00"
        // (the next day's midnight), as the service writes them.
        std::string sunrise;
        std::string sunset;
    };
    std::vector<Day> days = {
        {61, 8.2, 3.9, "08:33", "16:53"},  {3, 7.0, 2.1, "08:34", "16:53"},
        {71, 1.4, -2.6, "08:35", "16:52"}, {0, 3.5, -4.5, "08:36", "16:52"},
        {2, 5.0, -1.0, "08:37", "16:52"},  {45, 6.5, 0.5, "08:38", "16:52"},
        {95, 9.5, 4.5, "08:39", "16:52"},
    };
};

// The daily values a grid point gets: a function of its position, so a map can be checked
// against it.
struct GridValues {
    double high;
    double low;
    double precipitation;
};
using GridScript = std::function<GridValues(double latitude, double longitude)>;

// A stand-in for the public services, as strict as they are seen to answer: the forecast
// service refuses an unknown variable with a 400 and a JSON reason, needs a timezone with
// daily values, writes null for a value no model gives and never a null sun time; the
// geocoder finds nothing for a name under two characters, matches two exactly and more by
// prefix (case and accents aside), reads "Name, Qualifier" (an admin1 abbreviation, which
// wins, else an admin1 name, a country name or code; unresolved, nothing), filters by country
// before it counts, and leaves "results" out without a match; GIBS (Imagery) and EUMETSAT's
// GeoServer are `wms` (see ScriptedWms). Faults can be set per service.
class ScriptedUpstream {
  public:
    enum Endpoint { Forecast = 0, Geocoding = 1, Imagery = 2, Eumetsat = 3 };
    static constexpr int32_t endpointCount = 4;
    enum class Fault {
        None,
        Hang,         // answers nothing until the server stops (or 60 s pass)
        Drip,         // a 200 whose body comes a byte every 400 ms
        Reset,        // the connection breaks off inside the body
        Garbage,      // a 200 with a body of no documented shape
        Undecodable,  // a 200 "image/png" whose bytes are no picture
        TooMany,      // 429, with Retry-After when retryAfter >= 0
        Busy,         // 503, the same
        // Open-Meteo's own refusals: 429 without Retry-After, the reason in the JSON body.
        MinutelyLimit,
        HourlyLimit,
        DailyLimit,
        Concurrent,
        Broken,            // 500
        ServiceException,  // the WMS only: the ServiceException of a failed request
        Black,             // the WMS only: a picture with nothing on it
    };

    ScriptedUpstream();

    std::string forecastUrl() const { return server.url("/v1/forecast"); }
    std::string geocodingUrl() const { return server.url("/v1/search"); }
    std::string imageryUrl() const { return server.url("/wms/epsg4326/best/wms.cgi"); }
    std::string eumetsatUrl() const { return server.url("/geoserver/wms"); }

    void addPlace(ScriptedPlace place);
    void setWeather(ScriptedWeather weather);
    void setGrid(GridScript script);
    void setFault(Endpoint endpoint, Fault fault, int32_t retryAfter = -1);
    // Every answer of `endpoint` comes `ms` later.
    void setDelay(Endpoint endpoint, int32_t ms);
    // The UTC day from which on the daily composites are black ("2026-12-07").
    void setToday(std::string day) { wms.setToday(std::move(day)); }

    // Requests each service got, and the most that were answered at once.
    int32_t requests(Endpoint endpoint) const { return requests_[endpoint].load(); }
    int32_t mostAtOnce(Endpoint endpoint) const { return mostAtOnce_[endpoint].load(); }
    // The targets (path and query) each service got, in order.
    std::vector<std::string> targets(Endpoint endpoint) const;

    LocalServer server;
    ScriptedWms wms;

  private:
    void answerForecast(const httplib::Request& request, httplib::Response& response);
    void answerGeocoding(const httplib::Request& request, httplib::Response& response);
    void answerImagery(const httplib::Request& request, httplib::Response& response);
    void answerEumetsat(const httplib::Request& request, httplib::Response& response,
                        const std::string& layer);
    // Counts the request and applies the endpoint's fault; true when that answered it.
    bool begin(Endpoint endpoint, const httplib::Request& request, httplib::Response& response,
               Fault* fault);
    // Applies the endpoint's fault; true when it answered the request.
    bool applyFault(Endpoint endpoint, httplib::Response& response);

    mutable std::mutex mutex_;
    std::vector<ScriptedPlace> places_;
    ScriptedWeather weather_;
    GridScript grid_;
    Fault faults_[endpointCount] = {Fault::None, Fault::None, Fault::None, Fault::None};
    int32_t retryAfter_[endpointCount] = {-1, -1, -1, -1};
    int32_t delay_[endpointCount] = {0, 0, 0, 0};
    std::atomic<int32_t> requests_[endpointCount]{};
    std::atomic<int32_t> atOnce_[endpointCount]{};
    std::atomic<int32_t> mostAtOnce_[endpointCount]{};
    std::vector<std::string> targets_[endpointCount];
};

}  // namespace nubivo::test
