#include <gtest/gtest.h>

#include <eccodes.h>

#include <cmath>
#include <limits>
#include <string>

#include "hosts/live/gfs_decode.h"
#include "tests/hosts/live/scripted_model.h"

namespace nubivo {
namespace {

constexpr int64_t run06 = 1796623200;  // 2026-12-07 06:00 UTC
const live::ModelVariable& tmax = live::modelVariables[0];
const live::ModelVariable& apcp = live::modelVariables[2];

double warmth(double latitude, double longitude) {
    return 273.15 + 30 * std::cos(latitude * M_PI / 180) + 3 * std::sin(longitude * M_PI / 90);
}

long packingTemplate(const std::string& message) {
    std::lock_guard<std::mutex> lock(live::codesMutex());
    codes_handle* handle = codes_handle_new_from_message(nullptr, message.data(), message.size());
    long number = -1;
    codes_get_long(handle, "dataRepresentationTemplateNumber", &number);
    codes_handle_delete(handle);
    return number;
}

TEST(GfsDecodeTest, MessagesOfTheModelsGridDecodeToTheirValues) {
    // The model's own grid, in the complex packing NOAA sends and in simple packing.
    for (const bool complex : {true, false}) {
        SCOPED_TRACE(complex ? "complex packing" : "simple packing");
        const std::string message = test::gribMessage(tmax, run06, 6, 12, 1440, warmth, complex);
        EXPECT_EQ(packingTemplate(message), complex ? 3 : 0);
        std::string error;
        const auto grid =
            live::decodeModelField(message, tmax, run06, {live::Statistic::Maximum, 6, 12}, &error);
        ASSERT_TRUE(grid) << error;
        EXPECT_EQ(grid->columns, 1440);
        EXPECT_EQ(grid->rows, 721);
        EXPECT_EQ(grid->latitudeStep, -0.25);
        for (const auto& [column, row] : {std::pair{0, 0}, {100, 200}, {1439, 720}, {720, 360}}) {
            const double lon = column * 0.25 >= 180 ? column * 0.25 - 360 : column * 0.25;
            EXPECT_NEAR(grid->values[static_cast<size_t>(row) * 1440 + column],
                        warmth(90 - row * 0.25, lon), 0.01);
        }
    }
}

TEST(GfsDecodeTest, OnlyTheWholeMessageOfTheExpectedFieldIsTaken) {
    const std::string message = test::gribMessage(apcp, run06, 0, 24, 180, [](double lat, double) {
        return lat > 80 ? std::numeric_limits<double>::quiet_NaN() : 2.5;
    });
    const live::HourWindow day{live::Statistic::Accumulation, 0, 24};
    std::string error;
    const auto grid = live::decodeModelField(message, apcp, run06, day, &error);
    ASSERT_TRUE(grid) << error;
    EXPECT_TRUE(std::isnan(grid->values[0])) << "left out by the bitmap";
    EXPECT_NEAR(grid->values.back(), 2.5, 1e-3);

    std::string damaged = message;
    damaged[message.find("GRIB") + 16 + 21 + 4] = 9;  // section 3 numbered as another
    const struct {
        const char* what;
        std::string bytes;
        const live::ModelVariable* variable;
        int64_t run;
        live::HourWindow window;
    } cases[] = {
        {"another field", message, &tmax, run06, {live::Statistic::Maximum, 0, 24}},
        {"another window", message, &apcp, run06, {live::Statistic::Accumulation, 0, 18}},
        {"another run", message, &apcp, run06 - 6 * 3600, day},
        {"truncated", message.substr(0, message.size() - 100), &apcp, run06, day},
        {"with bytes after it", message + "GRIB", &apcp, run06, day},
        {"damaged", damaged, &apcp, run06, day},
        {"an error page", "<?xml version=\"1.0\"?><Error><Code>NoSuchKey</Code></Error>", &apcp,
         run06, day},
    };
    for (const auto& c : cases) {
        error.clear();
        EXPECT_FALSE(live::decodeModelField(c.bytes, *c.variable, c.run, c.window, &error))
            << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

}  // namespace
}  // namespace nubivo
