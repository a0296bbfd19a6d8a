#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "hosts/live/forecast.h"
#include "hosts/live/forecast_grid.h"
#include "hosts/live/geocoding.h"
#include "hosts/live/place_search.h"
#include "hosts/live/service_gate.h"

namespace nubivo {
namespace {

using live::ForecastAnswer;
using live::Place;
using Json = nlohmann::json;

TEST(GeocodingTest, TheRequestCarriesTheNameEncodedAndTheCountryFilter) {
    EXPECT_EQ(
        live::geocodingUrl("https://g/v1/search", {"New York", "US"}),
        "https://g/v1/search?name=New%20York&count=100&language=en&format=json&countryCode=US");
    EXPECT_EQ(live::geocodingUrl("https://g/v1/search", {"Z\xC3\xBCrich&x=1, ZH", ""}),
              "https://g/v1/search?name=Z%C3%BCrich%26x%3D1%2C%20ZH&count=100&language=en&"
              "format=json");
}

TEST(GeocodingTest, UsableResultsAreReadInTheServicesOrder) {
    const Json answer = {
        {"results",
         {{{"id", 1},
           {"name", "Paris"},
           {"latitude", 33.66},
           {"longitude", -95.55},
           {"country_code", "us"},
           {"admin1", "Texas"},
           {"postcodes", {"75460", 75461}}},
          {{"id", 2}, {"name", "Broken"}, {"latitude", "48.85"}, {"longitude", 2.35}},
          {{"id", 3}, {"name", "Nowhere"}, {"latitude", 95.0}, {"longitude", 2.0}},
          {{"id", 4},
           {"name", "Odd"},
           {"latitude", 1.0},
           {"longitude", 2.0},
           {"country_code", "FRA"}},
          // Continents and some islands come without a country.
          {{"id", 5}, {"name", "Europe"}, {"latitude", 48.7}, {"longitude", 9.1}}}},
        {"generationtime_ms", 0.5}};
    const auto found = live::parseGeocodingAnswer(answer.dump());
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 2u);
    const Place& paris = found->at(0).place;
    EXPECT_EQ(paris.name, "Paris");
    EXPECT_EQ(paris.admin1, "Texas");
    EXPECT_EQ(paris.countryCode, "US");
    EXPECT_EQ(paris.key(), "33.6600,-95.5500");
    EXPECT_EQ(found->at(0).postcodes, std::vector<std::string>{"75460"});
    EXPECT_EQ(found->at(1).place.countryCode, "");

    // No match: the key is left out. Anything that is not the documented shape is no answer.
    const auto none = live::parseGeocodingAnswer(R"({"generationtime_ms":0.3})");
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
    for (const char* bad : {"", "[]", "<html>", R"({"results":null})", R"({"results":{}})"})
        EXPECT_FALSE(live::parseGeocodingAnswer(bad)) << bad;
    // A place survives the disk cache's JSON, also without a country.
    for (const Place& place : {paris, found->at(1).place}) {
        const std::optional<Place> back = live::placeFromJson(live::placeToJson(place));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->key(), place.key());
        EXPECT_EQ(back->admin1, place.admin1);
        EXPECT_EQ(back->countryCode, place.countryCode);
    }
    EXPECT_FALSE(live::placeFromJson(Json{{"name", "x"}}));
}

TEST(PlaceSearchTest, NamesAreComparedWithoutCaseOrAccents) {
    EXPECT_EQ(live::foldedName("Z\xC3\xBCrich"), "zurich");
    EXPECT_EQ(live::foldedName("MONTR\xC3\x89"
                               "AL"),
              "montreal");
    EXPECT_EQ(live::foldedName("\xC3\x86r\xC3\xB8"
                               "\xC3\xBF"),
              "\xC3\x86roy");  // no plain letter for Æ
    EXPECT_EQ(live::foldedName("\xE5\x8C\x97\xE4\xBA\xAC"), "\xE5\x8C\x97\xE4\xBA\xAC");
}

// An answer as the service writes it, with the null a day past the model's reach can have.
Json forecastJson() {
    return Json::parse(R"({
      "latitude":48.86,"longitude":2.34,"utc_offset_seconds":3600,"timezone":"Europe/Paris",
      "timezone_abbreviation":"GMT+1",
      "current_units":{"time":"iso8601","temperature_2m":"°C","pressure_msl":"hPa",
                       "visibility":"m","wind_speed_10m":"km/h","weather_code":"wmo code"},
      "current":{"time":"2026-12-07T10:45","interval":900,"temperature_2m":6.1,
                 "apparent_temperature":3.2,"relative_humidity_2m":87,"weather_code":3,
                 "is_day":1,"pressure_msl":1012.4,"wind_speed_10m":14.8,
                 "wind_direction_10m":230,"visibility":36080.00},
      "hourly_units":{"pressure_msl":"hPa"},
      "hourly":{"time":["2026-12-07T07:00","2026-12-07T08:00","2026-12-07T09:00",
                        "2026-12-07T10:00"],
                "pressure_msl":[1014.0,1013.5,null,1012.6]},
      "daily_units":{"temperature_2m_max":"°C","temperature_2m_min":"°C"},
      "daily":{"time":["2026-12-07","2026-12-08","2026-12-09"],"weather_code":[61,3,3],
               "temperature_2m_max":[8.2,7.0,null],"temperature_2m_min":[3.9,2.1,1.0],
               "sunrise":["2026-12-07T08:33","2026-12-08T08:34","2026-12-09T08:35"],
               "sunset":["2026-12-07T16:53","2026-12-08T16:53","2026-12-09T16:52"]}})");
}

// `json` with the value at `pointer` replaced by `value` (removed when it is discarded).
Json changed(Json json, const char* pointer, const Json& value) {
    const Json::json_pointer at(pointer);
    if (value.is_discarded())
        json[at.parent_pointer()].erase(at.back());
    else
        json[at] = value;
    return json;
}

TEST(ForecastTest, TheAnswerIsReadAsTheServiceWritesIt) {
    ForecastAnswer answer;
    ASSERT_TRUE(live::parseForecastAnswer(forecastJson().dump(), &answer));
    EXPECT_EQ(answer.timezoneAbbreviation, "GMT+1");
    EXPECT_EQ(answer.time.minutes, 10 * 60 + 45);
    EXPECT_DOUBLE_EQ(answer.temperature, 6.1);
    EXPECT_EQ(answer.weatherCode, 3);
    EXPECT_TRUE(answer.isDay);
    EXPECT_EQ(answer.visibility, 36080);
    EXPECT_EQ(answer.pressureHistory.size(), 3u);  // the null hour is left out
    // Every day is read; the null high stays empty.
    ASSERT_EQ(answer.days.size(), 3u);
    EXPECT_EQ(answer.days[1].weatherCode, 3);
    EXPECT_FALSE(answer.days[2].high);
    EXPECT_EQ(answer.days[2].low, 1.0);
    ASSERT_TRUE(answer.days[0].sunrise);
    EXPECT_EQ(answer.days[0].sunrise->minutes, 8 * 60 + 33);
    EXPECT_EQ(live::pressureTendency(answer), 2);  // 1012.4 against 1014.0 at 07:00
}

TEST(ForecastTest, EachNullOrUndefinedValueLeavesOnlyItselfEmpty) {
    struct Case {
        const char* pointer;
        const char* unitPointer;  // set to "undefined" too, when not null
        bool (*empty)(const ForecastAnswer&);
    };
    const Case cases[] = {
        {"/current/apparent_temperature", nullptr,
         [](const ForecastAnswer& a) { return !a.apparentTemperature; }},
        {"/current/relative_humidity_2m", nullptr,
         [](const ForecastAnswer& a) { return !a.humidity; }},
        {"/current/wind_direction_10m", nullptr,
         [](const ForecastAnswer& a) { return !a.windDirection; }},
        {"/current/wind_speed_10m", nullptr, [](const ForecastAnswer& a) { return !a.windSpeed; }},
        {"/current/pressure_msl", nullptr,
         [](const ForecastAnswer& a) { return !a.pressure && !live::pressureTendency(a); }},
        {"/current/visibility", "/current_units/visibility",
         [](const ForecastAnswer& a) { return !a.visibility; }},
        {"/current/is_day", nullptr, [](const ForecastAnswer& a) { return a.isDay; }},
        {"/hourly/pressure_msl", "/hourly_units/pressure_msl",
         [](const ForecastAnswer& a) { return a.pressureHistory.empty(); }},
        {"/daily/weather_code/0", nullptr,
         [](const ForecastAnswer& a) { return !a.days[0].weatherCode; }},
        {"/daily/temperature_2m_min/1", nullptr,
         [](const ForecastAnswer& a) { return !a.days[1].low && a.days[1].high; }},
        {"/daily/temperature_2m_max", "/daily_units/temperature_2m_max",
         [](const ForecastAnswer& a) { return !a.days[0].high && !a.days[1].high; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pointer);
        Json json = forecastJson();
        const Json& old = json[Json::json_pointer(c.pointer)];
        json = changed(json, c.pointer,
                       old.is_array() ? Json(std::vector<Json>(old.size(), nullptr)) : Json());
        if (c.unitPointer != nullptr)
            json = changed(json, c.unitPointer, "undefined");
        ForecastAnswer answer;
        ASSERT_TRUE(live::parseForecastAnswer(json.dump(), &answer));
        EXPECT_TRUE(c.empty(answer));
        // Everything else is still there.
        EXPECT_DOUBLE_EQ(answer.temperature, 6.1);
        EXPECT_EQ(answer.days.size(), 3u);
        EXPECT_EQ(answer.days[2].weatherCode, 3);
    }
}

TEST(ForecastTest, AMissingOrMistypedFieldOrNoCurrentWeatherFailsTheAnswer) {
    const Json remove = Json(Json::value_t::discarded);
    const std::pair<const char*, Json> cases[] = {
        {"/current/temperature_2m", nullptr},
        {"/current/weather_code", nullptr},
        {"/current/temperature_2m", "6.1"},
        {"/current/weather_code", 3.5},
        {"/current/is_day", true},
        {"/current/time", "2026-12-07 10:45"},
        {"/current/time", "2026-02-30T10:45"},
        {"/current/visibility", "far"},
        {"/current/pressure_msl", remove},
        {"/current/visibility", remove},
        {"/current", remove},
        {"/current_units/temperature_2m", "°F"},
        {"/current_units/temperature_2m", "undefined"},
        {"/current_units/visibility", "ft"},
        {"/timezone_abbreviation", nullptr},
        {"/hourly/time", Json::array({"2026-12-07T07:00"})},
        {"/daily/time", Json::array()},
        {"/daily/sunrise", Json::array({1, 2, 3})},
        {"/daily/weather_code", Json::array({61, 3})},
        {"/daily/temperature_2m_max", Json::array({"8", 1, 1})},
    };
    for (const auto& [pointer, value] : cases) {
        SCOPED_TRACE(std::string(pointer) + " = " + value.dump());
        ForecastAnswer answer;
        EXPECT_FALSE(
            live::parseForecastAnswer(changed(forecastJson(), pointer, value).dump(), &answer));
    }
    ForecastAnswer answer;
    for (const char* bad : {"", "null", "[]", "{}", "<html>", R"({"error":true,"reason":"x"})"})
        EXPECT_FALSE(live::parseForecastAnswer(bad, &answer)) << bad;
}

TEST(ForecastTest, NoSunTimesInAPolarNightOrDay) {
    struct Case {
        Json sunrise;
        Json sunset;
        bool kept;
    };
    const Case cases[] = {
        {"2026-12-07T00:00", "2026-12-07T00:00", false},  // polar night
        {"2026-12-07T00:00", "2026-12-08T00:00", false},  // polar day
        {"2026-12-07T00:00", "2026-12-07T13:10", true},   // a sunrise at midnight
        {"2026-12-07T09:50", "2026-12-08T00:00", true},   // a sunset at midnight
        {nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sunrise.dump() + " " + c.sunset.dump());
        Json json = changed(forecastJson(), "/daily/sunrise/0", c.sunrise);
        json = changed(json, "/daily/sunset/0", c.sunset);
        ForecastAnswer answer;
        ASSERT_TRUE(live::parseForecastAnswer(json.dump(), &answer));
        EXPECT_EQ(answer.days[0].sunrise.has_value(), c.kept);
        EXPECT_EQ(answer.days[0].sunset.has_value(), c.kept);
        EXPECT_TRUE(answer.days[1].sunrise);
    }
}

TEST(ForecastTest, TheTendencyComparesWithThreeHoursBefore) {
    struct Case {
        double now;
        double before;
        int32_t tendency;
    };
    const Case cases[] = {
        {1012.4, 1012.4, 0}, {1012.4, 1013.3, 0}, {1012.4, 1011.5, 0}, {1012.4, 1013.4, 2},
        {1012.4, 1011.4, 1}, {990.0, 1001.0, 2},  {1030.0, 1020.0, 1},
    };
    for (const Case& c : cases) {
        ForecastAnswer answer;
        answer.time = *live::parseLocalTime("2026-12-07T10:45");
        answer.pressure = c.now;
        // 06:00 would be more than three hours; 07:00 is the one compared with.
        answer.pressureHistory = {{*live::parseLocalTime("2026-12-07T06:00"), 900.0},
                                  {*live::parseLocalTime("2026-12-07T07:00"), c.before},
                                  {*live::parseLocalTime("2026-12-07T10:00"), c.now}};
        EXPECT_EQ(live::pressureTendency(answer), c.tendency) << c.now << " " << c.before;
    }
}

TEST(ForecastTest, LocalTimes) {
    EXPECT_EQ(live::parseLocalTime("1970-01-02T00:01")->days, 1);
    EXPECT_EQ(live::parseLocalTime("1970-01-02T00:01")->minutes, 1);
    EXPECT_EQ(live::parseLocalTime("2024-02-29")->minutes, 0);
    for (const char* bad : {"", "2026-13-01", "2026-12-07T24:00", "2026-12-07T10:60",
                            "2026-12-07T10:45:00", "2026-12-7", "2023-02-29", "x026-12-07"}) {
        EXPECT_FALSE(live::parseLocalTime(bad)) << bad;
    }
}

TEST(ServiceGateTest, RetryAfterInSecondsOrAsADate) {
    constexpr int64_t now = 1796638800;  // Mon, 07 Dec 2026 10:20:00 GMT
    EXPECT_EQ(live::retryAfterSeconds("120", now), 120);
    EXPECT_EQ(live::retryAfterSeconds(" 0 ", now), 0);
    EXPECT_EQ(live::retryAfterSeconds("99999999999", now), 86400);
    EXPECT_EQ(live::retryAfterSeconds("Mon, 07 Dec 2026 10:25:00 GMT", now), 300);
    EXPECT_EQ(live::retryAfterSeconds("Mon, 07 Dec 2026 10:00:00 GMT", now), 0);
    EXPECT_FALSE(live::retryAfterSeconds("soon", now));
    EXPECT_FALSE(live::retryAfterSeconds("", now));
    EXPECT_FALSE(live::retryAfterSeconds("-5", now));

    int64_t clock = now;
    live::ServiceGate gate([&clock] { return clock; });
    EXPECT_TRUE(gate.open());
    gate.refused(30);
    EXPECT_FALSE(gate.open());
    clock += 30;
    EXPECT_TRUE(gate.open());
    // Without a Retry-After: a minute, then two, until an answer comes.
    gate.refused(std::nullopt);
    EXPECT_EQ(gate.closedUntil(), clock + 60);
    clock += 60;
    gate.refused(std::nullopt);
    EXPECT_EQ(gate.closedUntil(), clock + 120);
    clock += 120;
    gate.answered();
    gate.refused(std::nullopt);
    EXPECT_EQ(gate.closedUntil(), clock + 60);
}

TEST(ServiceGateTest, ALimitNamedInTheBodyClosesTheGateUntilItIsReset) {
    constexpr int64_t now = 1796638800 + 25;  // Mon, 07 Dec 2026 10:20:25 GMT
    const auto body = [](const char* reason) {
        return Json{{"error", true}, {"reason", reason}}.dump();
    };
    struct Case {
        std::string body;
        std::optional<int64_t> retryAfter;
        int64_t closedUntil;
    };
    const Case cases[] = {
        {body("Minutely API request limit exceeded. Please try again in one minute."), std::nullopt,
         1796638800 + 60},
        {body("Hourly API request limit exceeded. Please try again in the next hour."),
         std::nullopt, 1796641200},
        {body("Daily API request limit exceeded. Please try again tomorrow."), std::nullopt,
         1796688000},
        {body("Too many concurrent requests"), std::nullopt, now + 5},
        {body("Daily API request limit exceeded. Please try again tomorrow."), 30, now + 30},
        {body("Daily API request limit exceeded"), std::nullopt, now + 60},
        {"<html>Too Many Requests</html>", std::nullopt, now + 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        live::ServiceGate gate([] { return now; });
        gate.refused(c.retryAfter, live::limitReached(c.body));
        EXPECT_EQ(gate.closedUntil(), c.closedUntil);
    }
    // Concurrency refusals back off briefly, doubling.
    int64_t clock = now;
    live::ServiceGate gate([&clock] { return clock; });
    gate.refused(std::nullopt, live::LimitReached::Concurrent);
    clock += 5;
    gate.refused(std::nullopt, live::LimitReached::Concurrent);
    EXPECT_EQ(gate.closedUntil(), clock + 10);
}

TEST(ForecastGridTest, TheFieldPassesThroughItsPointsAndFillsTheUnknown) {
    std::vector<double> values(live::gridPoints);
    for (int32_t row = 0; row < live::gridRows; ++row) {
        for (int32_t column = 0; column < live::gridColumns; ++column)
            values[static_cast<size_t>(row * live::gridColumns + column)] = row * 10 + column;
    }
    values[9] = std::nan("");
    const live::GridField field(values);
    EXPECT_DOUBLE_EQ(field.at(0, 0), 0);
    EXPECT_DOUBLE_EQ(field.at(3, 2), 23);
    EXPECT_NEAR(field.at(3.5, 2), 23.5, 1e-9);  // a plane stays a plane
    EXPECT_NEAR(field.at(1, 1), 11, 1e-9);      // filled from its neighbours
    EXPECT_DOUBLE_EQ(field.at(-5, 99), 50);     // held beyond the edge
}

}  // namespace
}  // namespace nubivo
