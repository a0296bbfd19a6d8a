#include "tests/hosts/live/scripted_upstream.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "hosts/core/calendar.h"
#include "hosts/live/place_search.h"

namespace nubivo::test {
namespace {

using Json = nlohmann::json;

const std::set<std::string> currentVariables = {"temperature_2m",
                                                "apparent_temperature",
                                                "relative_humidity_2m",
                                                "weather_code",
                                                "is_day",
                                                "pressure_msl",
                                                "surface_pressure",
                                                "wind_speed_10m",
                                                "wind_direction_10m",
                                                "wind_gusts_10m",
                                                "visibility",
                                                "precipitation",
                                                "cloud_cover"};
const std::set<std::string> hourlyVariables = {"temperature_2m", "pressure_msl", "visibility",
                                               "relative_humidity_2m", "weather_code"};
const std::set<std::string> dailyVariables = {
    "weather_code", "temperature_2m_max", "temperature_2m_min", "sunrise",
    "sunset",       "precipitation_sum"};
std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

bool toNumber(const std::string& text, double* value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(*value);
}

void sendJson(httplib::Response& response, int status, const Json& json) {
    response.status = status;
    response.set_content(json.dump(), "application/json; charset=utf-8");
}

void refuse(httplib::Response& response, const std::string& reason) {
    sendJson(response, 400, Json{{"error", true}, {"reason", reason}});
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

ScriptedWms::Trouble trouble(ScriptedUpstream::Fault fault) {
    return fault == ScriptedUpstream::Fault::Black ? ScriptedWms::Trouble::Black
           : fault == ScriptedUpstream::Fault::ServiceException
               ? ScriptedWms::Trouble::ServiceException
               : ScriptedWms::Trouble::None;
}

std::string localText(int64_t minutesSince1970) {
    const host::CivilDate date = host::civilDate(host::floorDiv(minutesSince1970, 1440));
    const int64_t minute = minutesSince1970 - host::floorDiv(minutesSince1970, 1440) * 1440;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d", date.year, date.month, date.day,
                  static_cast<int>(minute / 60), static_cast<int>(minute % 60));
    return text;
}

// The reason of one of Open-Meteo's refusals, word for word.
const char* limitReason(ScriptedUpstream::Fault fault) {
    using Fault = ScriptedUpstream::Fault;
    switch (fault) {
        case Fault::MinutelyLimit:
            return "Minutely API request limit exceeded. Please try again in one minute.";
        case Fault::HourlyLimit:
            return "Hourly API request limit exceeded. Please try again in the next hour.";
        case Fault::DailyLimit:
            return "Daily API request limit exceeded. Please try again tomorrow.";
        default:
            return "Too many concurrent requests";
    }
}

// A value, or null for an empty one.
template <typename T>
Json orNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

// Counts a request under way for as long as it lives, and the most seen at once.
struct AtOnce {
    std::atomic<int32_t>& now;
    AtOnce(std::atomic<int32_t>& counter, std::atomic<int32_t>& most) : now(counter) {
        const int32_t at = ++now;
        int32_t seen = most.load();
        while (at > seen && !most.compare_exchange_weak(seen, at)) {
        }
    }
    ~AtOnce() { --now; }
};

}  // namespace

ScriptedUpstream::ScriptedUpstream() {
    grid_ = [](double latitude, double longitude) {
        return GridValues{30.0 - 0.5 * std::abs(latitude) + 0.01 * longitude,
                          20.0 - 0.5 * std::abs(latitude), std::abs(longitude) / 10.0};
    };
    server.get("/v1/forecast",
               [this](const httplib::Request& q, httplib::Response& r) { answerForecast(q, r); });
    server.get("/v1/search",
               [this](const httplib::Request& q, httplib::Response& r) { answerGeocoding(q, r); });
    server.get("/wms/epsg4326/best/wms.cgi",
               [this](const httplib::Request& q, httplib::Response& r) { answerImagery(q, r); });
    server.get("/geoserver/wms", [this](const httplib::Request& q, httplib::Response& r) {
        answerEumetsat(q, r, "");
    });
    for (const std::string& layer : ScriptedWms::geoServerLayers()) {
        std::string path = layer;
        std::replace(path.begin(), path.end(), ':', '/');
        server.get("/geoserver/" + path + "/wms",
                   [this, layer](const httplib::Request& q, httplib::Response& r) {
                       answerEumetsat(q, r, layer);
                   });
    }
}

void ScriptedUpstream::addPlace(ScriptedPlace place) {
    std::lock_guard<std::mutex> guard(mutex_);
    places_.push_back(std::move(place));
}

void ScriptedUpstream::setWeather(ScriptedWeather weather) {
    std::lock_guard<std::mutex> guard(mutex_);
    weather_ = std::move(weather);
}

void ScriptedUpstream::setGrid(GridScript script) {
    std::lock_guard<std::mutex> guard(mutex_);
    grid_ = std::move(script);
}

void ScriptedUpstream::setFault(Endpoint endpoint, Fault fault, int32_t retryAfter) {
    std::lock_guard<std::mutex> guard(mutex_);
    faults_[endpoint] = fault;
    retryAfter_[endpoint] = retryAfter;
}

void ScriptedUpstream::setDelay(Endpoint endpoint, int32_t ms) {
    std::lock_guard<std::mutex> guard(mutex_);
    delay_[endpoint] = ms;
}

std::vector<std::string> ScriptedUpstream::targets(Endpoint endpoint) const {
    std::lock_guard<std::mutex> guard(mutex_);
    return targets_[endpoint];
}

bool ScriptedUpstream::applyFault(Endpoint endpoint, httplib::Response& response) {
    Fault fault;
    int32_t retryAfter;
    int32_t delay;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        fault = faults_[endpoint];
        retryAfter = retryAfter_[endpoint];
        delay = delay_[endpoint];
    }
    if (delay > 0)
        server.pause(delay);
    switch (fault) {
        case Fault::None:
        case Fault::ServiceException:
        case Fault::Black:
            return false;
        case Fault::Hang:
            server.pause(60000);
            response.status = 504;
            return true;
        case Fault::Drip: {
            auto sent = std::make_shared<size_t>(0);
            response.set_content_provider(4096, "application/json",
                                          [this, sent](size_t, size_t, httplib::DataSink& sink) {
                                              if (!server.pause(400))
                                                  return false;
                                              sink.write("[", 1);
                                              return ++*sent < 4096;
                                          });
            return true;
        }
        case Fault::Reset:
            response.set_content_provider(100000, "application/json",
                                          [](size_t offset, size_t, httplib::DataSink& sink) {
                                              if (offset > 0)
                                                  return false;  // breaks the connection off
                                              sink.write("{\"latitude\":", 12);
                                              return true;
                                          });
            return true;
        case Fault::Garbage:
            response.set_content("<html>Gateway error</html>", "application/json");
            return true;
        case Fault::Undecodable:
            response.set_content(std::string("\x89PNG\r\n\x1a\n", 8) + std::string(300, 'x'),
                                 "image/png");
            return true;
        case Fault::TooMany:
        case Fault::Busy:
            response.status = fault == Fault::TooMany ? 429 : 503;
            if (retryAfter >= 0)
                response.set_header("Retry-After", std::to_string(retryAfter));
            response.set_content("{\"error\":true,\"reason\":\"Too many requests\"}",
                                 "application/json");
            return true;
        case Fault::MinutelyLimit:
        case Fault::HourlyLimit:
        case Fault::DailyLimit:
        case Fault::Concurrent:
            sendJson(response, 429, Json{{"error", true}, {"reason", limitReason(fault)}});
            return true;
        case Fault::Broken:
            response.status = 500;
            response.set_content("Internal error", "text/plain");
            return true;
    }
    return false;
}

void ScriptedUpstream::answerForecast(const httplib::Request& request,
                                      httplib::Response& response) {
    const AtOnce underWay(atOnce_[Forecast], mostAtOnce_[Forecast]);
    Fault fault;
    if (begin(Forecast, request, response, &fault))
        return;

    const std::vector<std::string> lats = split(request.get_param_value("latitude"), ',');
    const std::vector<std::string> lons = split(request.get_param_value("longitude"), ',');
    if (lats.empty() || lats.size() != lons.size())
        return refuse(response,
                      "Parameter 'latitude' and 'longitude' must have the same number of elements");
    std::vector<std::pair<double, double>> points;
    for (size_t i = 0; i < lats.size(); ++i) {
        double lat = 0, lon = 0;
        if (!toNumber(lats[i], &lat) || !toNumber(lons[i], &lon) || std::abs(lat) > 90 ||
            std::abs(lon) > 180) {
            return refuse(response, "Latitude must be in range of -90 to 90°. Given: " + lats[i]);
        }
        points.emplace_back(lat, lon);
    }
    const auto listed = [&](const char* name, const std::set<std::string>& known,
                            std::vector<std::string>* out) {
        if (!request.has_param(name))
            return true;
        for (const std::string& variable : split(request.get_param_value(name), ',')) {
            if (!known.count(variable)) {
                refuse(response, "Cannot initialize WeatherVariable from invalid String value " +
                                     variable + " for key " + name);
                return false;
            }
            out->push_back(variable);
        }
        return true;
    };
    std::vector<std::string> current, hourly, daily;
    if (!listed("current", currentVariables, &current) ||
        !listed("hourly", hourlyVariables, &hourly) || !listed("daily", dailyVariables, &daily)) {
        return;
    }
    if (!daily.empty() && !request.has_param("timezone"))
        return refuse(response, "Timezone is required");
    const std::string cell = request.get_param_value("cell_selection");
    if (!cell.empty() && cell != "land" && cell != "sea" && cell != "nearest")
        return refuse(response, "Invalid cell_selection");
    const int32_t days = request.has_param("forecast_days")
                             ? std::atoi(request.get_param_value("forecast_days").c_str())
                             : 7;
    const int32_t pastHours = std::atoi(request.get_param_value("past_hours").c_str());
    const int32_t forecastHours = request.has_param("forecast_hours")
                                      ? std::atoi(request.get_param_value("forecast_hours").c_str())
                                      : 24;
    if (days < 1 || days > 16 || pastHours < 0 || forecastHours < 1)
        return refuse(response, "Invalid range");
    const bool fahrenheit = request.get_param_value("temperature_unit") == "fahrenheit";
    const bool inches = request.get_param_value("precipitation_unit") == "inch";

    ScriptedWeather w;
    GridScript grid;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        w = weather_;
        grid = grid_;
    }
    const auto temperature = [&](double celsius) {
        return fahrenheit ? celsius * 9.0 / 5.0 + 32.0 : celsius;
    };
    const std::optional<int64_t> nowMinutes = [&]() -> std::optional<int64_t> {
        int y = 0, mo = 0, d = 0, h = 0, mi = 0;
        if (std::sscanf(w.time.c_str(), "%d-%d-%dT%d:%d", &y, &mo, &d, &h, &mi) != 5)
            return std::nullopt;
        return host::daysFromCivil(y, mo, d) * 1440 + h * 60 + mi;
    }();

    Json answers = Json::array();
    for (const auto& [lat, lon] : points) {
        const size_t index = answers.size();
        Json a = {{"latitude", std::round(lat * 100) / 100},
                  {"longitude", std::round(lon * 100) / 100},
                  {"generationtime_ms", 0.3},
                  {"utc_offset_seconds", w.utcOffsetSeconds},
                  {"timezone", w.timezone},
                  {"timezone_abbreviation", w.abbreviation},
                  {"elevation", 38.0}};
        if (index > 0)
            a["location_id"] = index;
        if (!current.empty()) {
            Json values = {{"time", w.time}, {"interval", 900}};
            Json units = {{"time", "iso8601"}, {"interval", "seconds"}};
            for (const std::string& v : current) {
                if (v == "temperature_2m" || v == "apparent_temperature") {
                    const std::optional<double> c =
                        v == "temperature_2m" ? w.temperature : w.apparentTemperature;
                    values[v] = c ? Json(temperature(*c)) : Json(nullptr);
                    units[v] = fahrenheit ? "°F" : "°C";
                } else if (v == "relative_humidity_2m") {
                    values[v] = orNull(w.humidity);
                    units[v] = "%";
                } else if (v == "weather_code") {
                    values[v] = orNull(w.weatherCode);
                    units[v] = "wmo code";
                } else if (v == "is_day") {
                    values[v] = w.isDay;
                    units[v] = "";
                } else if (v == "pressure_msl" || v == "surface_pressure") {
                    values[v] = orNull(w.pressure);
                    units[v] = "hPa";
                } else if (v == "wind_speed_10m" || v == "wind_gusts_10m") {
                    values[v] = orNull(w.windSpeed);
                    units[v] = "km/h";
                } else if (v == "wind_direction_10m") {
                    values[v] = orNull(w.windDirection);
                    units[v] = "°";
                } else if (v == "visibility") {
                    // The provider's own quirk: inches of rain turn metres into feet.
                    values[v] = w.visibility ? Json(*w.visibility * (inches ? 3.28084 : 1.0))
                                             : Json(nullptr);
                    units[v] = inches ? "ft" : "m";
                } else {
                    values[v] = 0;
                    units[v] = "";
                }
                if (w.uncovered.count(v)) {
                    values[v] = nullptr;
                    units[v] = "undefined";
                }
            }
            a["current"] = values;
            a["current_units"] = units;
        }
        if (!hourly.empty() && nowMinutes) {
            const int64_t first = (*nowMinutes / 60 - pastHours) * 60;
            Json times = Json::array();
            Json pressures = Json::array();
            for (int32_t i = 0; i < pastHours + forecastHours; ++i) {
                times.push_back(localText(first + i * 60));
                pressures.push_back(
                    w.hourlyPressure.empty()
                        ? Json(nullptr)
                        : Json(w.hourlyPressure[std::min<size_t>(i, w.hourlyPressure.size() - 1)]));
            }
            Json values = {{"time", times}};
            Json units = {{"time", "iso8601"}};
            for (const std::string& v : hourly) {
                values[v] = pressures;
                units[v] = "hPa";
            }
            a["hourly"] = values;
            a["hourly_units"] = units;
        }
        if (!daily.empty() && nowMinutes) {
            const GridValues g = grid(lat, lon);
            Json values = {{"time", Json::array()}};
            Json units = {{"time", "iso8601"}};
            for (const std::string& v : daily)
                values[v] = Json::array();
            for (int32_t i = 0; i < days; ++i) {
                const std::string date = localText((*nowMinutes / 1440 + i) * 1440).substr(0, 10);
                const ScriptedWeather::Day& day = w.days[static_cast<size_t>(i) % w.days.size()];
                values["time"].push_back(date);
                const bool onePoint = points.size() == 1;
                for (const std::string& v : daily) {
                    if (v == "weather_code") {
                        values[v].push_back(orNull(day.code));
                        units[v] = "wmo code";
                    } else if (v == "temperature_2m_max" || v == "temperature_2m_min") {
                        const bool max = v == "temperature_2m_max";
                        const std::optional<double> c =
                            onePoint ? (max ? day.high : day.low)
                                     : std::optional<double>(max ? g.high : g.low);
                        values[v].push_back(c ? Json(temperature(*c)) : Json(nullptr));
                        units[v] = fahrenheit ? "°F" : "°C";
                    } else if (v == "precipitation_sum") {
                        values[v].push_back(inches ? g.precipitation / 25.4 : g.precipitation);
                        units[v] = inches ? "inch" : "mm";
                    } else {
                        // "24:00" is the next day's midnight, as a polar day's sunset.
                        const std::string& clock = v == "sunrise" ? day.sunrise : day.sunset;
                        const int64_t minutes = (*nowMinutes / 1440 + i) * 1440 +
                                                std::atoi(clock.substr(0, 2).c_str()) * 60 +
                                                std::atoi(clock.substr(3, 2).c_str());
                        values[v].push_back(localText(minutes));
                        units[v] = "iso8601";
                    }
                    if (w.uncovered.count(v)) {
                        values[v].back() = nullptr;
                        units[v] = "undefined";
                    }
                }
            }
            a["daily"] = values;
            a["daily_units"] = units;
        }
        answers.push_back(a);
    }
    sendJson(response, 200, points.size() == 1 ? answers[0] : answers);
}

void ScriptedUpstream::answerGeocoding(const httplib::Request& request,
                                       httplib::Response& response) {
    const AtOnce underWay(atOnce_[Geocoding], mostAtOnce_[Geocoding]);
    Fault fault;
    if (begin(Geocoding, request, response, &fault))
        return;
    if (!request.has_param("name"))
        return refuse(response, "Parameter 'name' is required");
    const int32_t count =
        request.has_param("count") ? std::atoi(request.get_param_value("count").c_str()) : 10;
    if (count < 1 || count > 100)
        return refuse(response, "Parameter count must be between 1 and 100.");
    const std::string format = request.get_param_value("format");
    if (!format.empty() && format != "json" && format != "protobuf")
        return refuse(response, "Invalid format");
    const std::string country = request.get_param_value("countryCode");
    // "Place, Qualifier": the qualifier is read exactly, never as part of the name.
    std::string name = request.get_param_value("name");
    std::string qualifier;
    if (const size_t comma = name.find(','); comma != std::string::npos) {
        qualifier = lower(name.substr(comma + 1));
        qualifier.erase(0, qualifier.find_first_not_of(' '));
        name.resize(comma);
    }
    name = live::foldedName(name);

    std::vector<ScriptedPlace> found;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        // What the qualifier stands for: an admin1 abbreviation wins over an admin1 name,
        // which wins over a country's name or code.
        const auto resolves = [&](auto field) {
            return std::any_of(places_.begin(), places_.end(), [&](const ScriptedPlace& place) {
                return !field(place).empty() && lower(field(place)) == qualifier;
            });
        };
        const auto abbreviation = [](const ScriptedPlace& p) { return p.admin1Code; };
        const auto area = [](const ScriptedPlace& p) { return p.admin1; };
        const auto countryName = [](const ScriptedPlace& p) { return p.countryName; };
        const auto countryCode = [](const ScriptedPlace& p) { return p.countryCode; };
        std::function<std::string(const ScriptedPlace&)> qualifiedBy;
        if (resolves(abbreviation))
            qualifiedBy = abbreviation;
        else if (resolves(area))
            qualifiedBy = area;
        else if (resolves(countryName))
            qualifiedBy = countryName;
        else if (resolves(countryCode))
            qualifiedBy = countryCode;
        for (const ScriptedPlace& place : places_) {
            const std::string placeName = live::foldedName(place.name);
            const bool byName = name.size() == 2
                                    ? placeName == name
                                    : name.size() >= 3 && placeName.rfind(name, 0) == 0;
            const bool byCode = std::find(place.postcodes.begin(), place.postcodes.end(), name) !=
                                place.postcodes.end();
            const bool qualified =
                qualifier.empty() || (qualifiedBy && lower(qualifiedBy(place)) == qualifier);
            if ((byName || byCode) && qualified &&
                (country.empty() || country == place.countryCode)) {
                found.push_back(place);
            }
        }
    }
    std::stable_sort(
        found.begin(), found.end(),
        [](const ScriptedPlace& a, const ScriptedPlace& b) { return a.population > b.population; });
    if (found.size() > static_cast<size_t>(count))
        found.resize(static_cast<size_t>(count));
    Json answer = {{"generationtime_ms", 0.7}};
    if (!found.empty()) {
        Json results = Json::array();
        int64_t id = 2950000;
        for (const ScriptedPlace& place : found) {
            Json result = {{"id", id++},
                           {"name", place.name},
                           {"latitude", place.latitude},
                           {"longitude", place.longitude},
                           {"elevation", 40.0},
                           {"feature_code", "PPLA"},
                           {"timezone", "Europe/Paris"},
                           {"population", place.population}};
            if (!place.countryCode.empty())
                result["country_code"] = place.countryCode;
            if (!place.countryName.empty())
                result["country"] = place.countryName;
            if (!place.admin1.empty())
                result["admin1"] = place.admin1;
            if (!place.postcodes.empty())
                result["postcodes"] = place.postcodes;
            results.push_back(result);
        }
        answer["results"] = results;
    }
    sendJson(response, 200, answer);
}

bool ScriptedUpstream::begin(Endpoint endpoint, const httplib::Request& request,
                             httplib::Response& response, Fault* fault) {
    ++requests_[endpoint];
    {
        std::lock_guard<std::mutex> guard(mutex_);
        targets_[endpoint].push_back(request.target);
        *fault = faults_[endpoint];
    }
    return applyFault(endpoint, response);
}

void ScriptedUpstream::answerImagery(const httplib::Request& request, httplib::Response& response) {
    const AtOnce underWay(atOnce_[Imagery], mostAtOnce_[Imagery]);
    Fault fault;
    if (begin(Imagery, request, response, &fault))
        return;
    wms.answerGibs(request, response, trouble(fault));
}

void ScriptedUpstream::answerEumetsat(const httplib::Request& request, httplib::Response& response,
                                      const std::string& layer) {
    const AtOnce underWay(atOnce_[Eumetsat], mostAtOnce_[Eumetsat]);
    Fault fault;
    if (begin(Eumetsat, request, response, &fault))
        return;
    wms.answerGeoServer(request, response, layer, trouble(fault));
}

}  // namespace nubivo::test
