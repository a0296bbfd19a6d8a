#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "hosts/live/forecast.h"
#include "hosts/live/forecast_grid.h"
#include "hosts/live/geocoding.h"
#include "hosts/live/service_gate.h"

namespace nubivo {
namespace {

using live::ForecastAnswer;
using live::GeocodingResult;
using live::LocationQuery;
using live::Place;
using Json = nlohmann::json;

TEST(LocationQueryTest, NamesCountryCodesAndPostalCodes) {
    struct Case {
        const char* location;
        const char* name;
        const char* country;
    };
    const Case cases[] = {
        {"Paris FR", "Paris", "FR"},
        {"paris us", "paris", "US"},
        {"  New   York  US ", "New York", "US"},
        {"Paris, FR", "Paris", "FR"},
        {"Paris", "Paris", ""},
        {"10001", "10001", ""},
        {"10001 US", "10001", "US"},
        {"Rio de Janeiro BR", "Rio de Janeiro", "BR"},
        {"FR", "FR", ""},  // a name alone, even of two letters
        {"Ho Chi Minh City VN", "Ho Chi Minh City", "VN"},
        {"Sao Paulo", "Sao Paulo", ""},  // "lo" is no word of its own
        {"Z\xC3\xBCrich CH", "Z\xC3\xBCrich", "CH"},
        {"Paris F1", "Paris F1", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        const std::optional<LocationQuery> query = live::parseLocationQuery(c.location);
        ASSERT_TRUE(query);
        EXPECT_EQ(query->name, c.name);
        EXPECT_EQ(query->countryCode, c.country);
    }
    for (const std::string& bad : {std::string(), std::string("   "), std::string(255, 'a')})
        EXPECT_FALSE(live::parseLocationQuery(bad)) << bad.size();
    EXPECT_TRUE(live::parseLocationQuery(std::string(254, 'a')));
    // One key per place, whatever the letter case.
    EXPECT_EQ(live::parseLocationQuery("PARIS fr")->key(),
              live::parseLocationQuery("paris FR")->key());
    EXPECT_NE(live::parseLocationQuery("Paris FR")->key(),
              live::parseLocationQuery("Paris US")->key());
    EXPECT_EQ(live::unsplitQuery("Lake Ha")->name, "Lake Ha");
    EXPECT_FALSE(live::unsplitQuery("Paris"));
}

TEST(GeocodingTest, TheRequestCarriesTheNameEncodedAndTheCountrySplitOff) {
    EXPECT_EQ(
        live::geocodingUrl("https://g/v1/search", {"New York", "US"}),
        "https://g/v1/search?name=New%20York&count=10&language=en&format=json&countryCode=US");
    EXPECT_EQ(live::geocodingUrl("https://g/v1/search", {"Z\xC3\xBCrich&x=1", ""}),
              "https://g/v1/search?name=Z%C3%BCrich%26x%3D1&count=10&language=en&format=json");
}

TEST(GeocodingTest, TheFirstUsableResultInTheCountryIsChosen) {
    const Json answer = {{"results",
                          {{{"id", 1},
                            {"name", "Paris"},
                            {"latitude", 33.66},
                            {"longitude", -95.55},
                            {"country_code", "US"},
                            {"admin1", "Texas"}},
                           {{"id", 2},
                            {"name", "Broken"},
                            {"latitude", "48.85"},
                            {"longitude", 2.35},
                            {"country_code", "FR"}},
                           {{"id", 3},
                            {"name", "Paris"},
                            {"latitude", 48.85341},
                            {"longitude", 2.3488},
                            {"country_code", "FR"},
                            {"admin1", "\xC3\x8Ele-de-France"}},
                           {{"id", 4},
                            {"name", "Nowhere"},
                            {"latitude", 95.0},
                            {"longitude", 2.0},
                            {"country_code", "FR"}}}},
                         {"generationtime_ms", 0.5}};
    Place place;
    ASSERT_EQ(live::parseGeocodingAnswer(answer.dump(), {"Paris", "FR"}, &place),
              GeocodingResult::Found);
    EXPECT_EQ(place.name, "Paris");
    EXPECT_EQ(place.admin1, "\xC3\x8Ele-de-France");
    EXPECT_EQ(place.countryCode, "FR");
    EXPECT_DOUBLE_EQ(place.latitude, 48.85341);
    EXPECT_EQ(place.key(), "48.8534,2.3488");
    ASSERT_EQ(live::parseGeocodingAnswer(answer.dump(), {"Paris", ""}, &place),
              GeocodingResult::Found);
    EXPECT_EQ(place.admin1, "Texas");
    EXPECT_EQ(live::parseGeocodingAnswer(answer.dump(), {"Paris", "DE"}, &place),
              GeocodingResult::NotFound);

    // No match: the key is left out. Anything that is not the documented shape is no answer.
    EXPECT_EQ(live::parseGeocodingAnswer(R"({"generationtime_ms":0.3})", {"Xq", ""}, &place),
              GeocodingResult::NotFound);
    for (const char* bad : {"", "[]", "<html>", R"({"results":null})", R"({"results":{}})",
                            R"({"error":true,"reason":"x"})"}) {
        EXPECT_NE(live::parseGeocodingAnswer(bad, {"Xq", ""}, &place), GeocodingResult::Found)
            << bad;
    }
    EXPECT_EQ(live::parseGeocodingAnswer("<html>", {"Xq", ""}, &place), GeocodingResult::Invalid);
    // A place survives the disk cache's JSON.
    const std::optional<Place> back = live::placeFromJson(live::placeToJson(place));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->key(), place.key());
    EXPECT_EQ(back->admin1, place.admin1);
    EXPECT_FALSE(live::placeFromJson(Json{{"name", "x"}}));
}

Json forecastJson() {
    return Json::parse(R"({
      "latitude":48.86,"longitude":2.34,"utc_offset_seconds":3600,"timezone":"Europe/Paris",
      "timezone_abbreviation":"CET",
      "current_units":{"time":"iso8601","temperature_2m":"°C","pressure_msl":"hPa",
                       "visibility":"m","wind_speed_10m":"km/h"},
      "current":{"time":"2026-12-07T10:45","interval":900,"temperature_2m":6.1,
                 "apparent_temperature":3.2,"relative_humidity_2m":87,"weather_code":3,
                 "is_day":1,"pressure_msl":1012.4,"wind_speed_10m":14.8,
                 "wind_direction_10m":230,"visibility":18400},
      "hourly_units":{"pressure_msl":"hPa"},
      "hourly":{"time":["2026-12-07T07:00","2026-12-07T08:00","2026-12-07T09:00",
                        "2026-12-07T10:00"],
                "pressure_msl":[1014.0,1013.5,null,1012.6]},
      "daily":{"time":["2026-12-07","2026-12-08","2026-12-09"],"weather_code":[61,3,3],
               "temperature_2m_max":[8.2,7.0,null],"temperature_2m_min":[3.9,2.1,1.0],
               "sunrise":["2026-12-07T08:33","2026-12-08T08:34",null],
               "sunset":["2026-12-07T16:53","2026-12-08T16:53",null]}})");
}

TEST(ForecastTest, TheDocumentedAnswerIsRead) {
    ForecastAnswer answer;
    ASSERT_TRUE(live::parseForecastAnswer(forecastJson().dump(), &answer));
    EXPECT_EQ(answer.timezoneAbbreviation, "CET");
    EXPECT_EQ(answer.time.minutes, 10 * 60 + 45);
    EXPECT_DOUBLE_EQ(answer.temperature, 6.1);
    EXPECT_EQ(answer.weatherCode, 3);
    EXPECT_TRUE(answer.isDay);
    ASSERT_TRUE(answer.visibility);
    EXPECT_DOUBLE_EQ(*answer.visibility, 18400);
    EXPECT_EQ(answer.pressureHistory.size(), 3u);  // the null hour is left out
    // The third day has no high: the forecast ends before it.
    ASSERT_EQ(answer.days.size(), 2u);
    EXPECT_EQ(answer.days[1].weatherCode, 3);
    ASSERT_TRUE(answer.days[0].sunrise);
    EXPECT_EQ(answer.days[0].sunrise->minutes, 8 * 60 + 33);
    EXPECT_EQ(live::pressureTendency(answer), 2);  // 1012.4 against 1014.0 at 07:00
}

TEST(ForecastTest, AMissingNullOrMistypedFieldFailsTheAnswer) {
    struct Case {
        const char* pointer;  // where the answer is changed
        Json value;           // the new value; discarded removes the field
    };
    const Json remove = Json(Json::value_t::discarded);
    const Case cases[] = {
        {"/current/temperature_2m", nullptr},
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
        {"/current_units/visibility", "ft"},
        {"/timezone_abbreviation", nullptr},
        {"/hourly/pressure_msl", Json::array({nullptr, nullptr, nullptr, nullptr})},
        {"/hourly/time", Json::array({"2026-12-07T07:00"})},
        {"/daily/time", Json::array()},
        {"/daily/sunrise", Json::array({1, 2, 3})},
        {"/daily/weather_code", Json::array({61, 3})},
        {"/daily/temperature_2m_max", Json::array({nullptr, 1, 1})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pointer) + " = " + c.value.dump());
        Json json = forecastJson();
        const Json::json_pointer pointer(c.pointer);
        if (c.value.is_discarded())
            json[pointer.parent_pointer()].erase(pointer.back());
        else
            json[pointer] = c.value;
        ForecastAnswer answer;
        EXPECT_FALSE(live::parseForecastAnswer(json.dump(), &answer));
    }
    ForecastAnswer answer;
    for (const char* bad : {"", "null", "[]", "{}", "<html>", R"({"error":true,"reason":"x"})"})
        EXPECT_FALSE(live::parseForecastAnswer(bad, &answer)) << bad;
}

TEST(ForecastTest, AnUnknownVisibilityAndAPolarNightAreNoFailure) {
    Json json = forecastJson();
    json["current"]["visibility"] = nullptr;
    json["daily"]["sunrise"][0] = nullptr;
    json["daily"]["sunset"][0] = nullptr;
    ForecastAnswer answer;
    ASSERT_TRUE(live::parseForecastAnswer(json.dump(), &answer));
    EXPECT_FALSE(answer.visibility);
    EXPECT_FALSE(answer.days[0].sunrise);
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
