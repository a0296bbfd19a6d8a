#include <gtest/gtest.h>

#include <set>
#include <string>

#include "hosts/core/bitmap_font.h"
#include "hosts/core/canvas.h"
#include "hosts/core/colour_ramp.h"
#include "hosts/core/icons.h"
#include "hosts/core/outlines.h"

namespace nubivo {
namespace {

using host::Canvas;
using host::Colour;
using host::IconKind;

int32_t inkedPixels(const Canvas& canvas, Colour background) {
    int32_t inked = 0;
    for (int32_t y = 0; y < canvas.height(); ++y) {
        for (int32_t x = 0; x < canvas.width(); ++x) {
            const Colour c = canvas.pixel(x, y);
            inked += c.r != background.r || c.g != background.g || c.b != background.b;
        }
    }
    return inked;
}

TEST(HostIconsTest, EveryKindIsADistinctPictureOnWhiteWithAUrlSafeName) {
    std::set<std::string> names;
    std::set<std::vector<uint8_t>> pictures;
    for (int32_t i = 0; i < host::iconKindCount; ++i) {
        const auto kind = static_cast<IconKind>(i);
        SCOPED_TRACE(host::iconName(kind));
        const std::vector<uint8_t> png = host::iconPng(kind);
        Canvas decoded(1, 1, Colour{});
        ASSERT_TRUE(Canvas::decode(png.data(), png.size(), Colour{}, decoded));
        EXPECT_EQ(decoded.width(), host::iconSize);
        EXPECT_EQ(decoded.height(), host::iconSize);
        const Colour corner = decoded.pixel(0, 0);
        EXPECT_EQ(corner.r + corner.g + corner.b, 3 * 255);  // the panel's white
        EXPECT_GT(inkedPixels(decoded, corner), 100);
        const std::string name = host::iconName(kind);
        EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz-"), std::string::npos);
        names.insert(name);
        pictures.insert(png);
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(host::iconKindCount));
    EXPECT_EQ(pictures.size(), static_cast<size_t>(host::iconKindCount));
}

TEST(HostCanvasTest, EncodedPicturesDecodeBackAndGarbageDoesNot) {
    Canvas canvas(40, 30, Colour{10, 200, 30});
    canvas.fillRect(0, 0, 20, 30, Colour{250, 20, 20});
    for (const std::vector<uint8_t>& bytes : {canvas.encodePng(), canvas.encodeJpeg()}) {
        Canvas back(1, 1, Colour{});
        ASSERT_TRUE(Canvas::decode(bytes.data(), bytes.size(), Colour{}, back));
        EXPECT_EQ(back.width(), 40);
        EXPECT_EQ(back.height(), 30);
        EXPECT_NEAR(back.pixel(5, 5).r, 250, 12);
        EXPECT_NEAR(back.pixel(35, 5).g, 200, 12);
    }
    EXPECT_EQ(canvas.encodeJpeg(), canvas.encodeJpeg()) << "the same pixels, the same bytes";

    Canvas untouched(3, 3, Colour{1, 2, 3});
    const std::string xml = "<ServiceExceptionReport/>";
    EXPECT_FALSE(Canvas::decode(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), Colour{},
                                untouched));
    const std::vector<uint8_t> png = canvas.encodePng();
    EXPECT_FALSE(Canvas::decode(png.data(), png.size() / 2, Colour{}, untouched));
    EXPECT_FALSE(Canvas::decode(png.data(), png.size(), Colour{}, untouched, 39));
    EXPECT_EQ(untouched.width(), 3);
    EXPECT_EQ(untouched.pixel(1, 1).b, 3);
}

TEST(HostFontTest, TextIsDrawnWhereItsWidthSays) {
    EXPECT_EQ(host::textWidth(""), 0);
    EXPECT_EQ(host::textWidth("A"), 5);
    EXPECT_EQ(host::textWidth("10 \xC2\xB0"
                              "C",
                              2),
              (5 * 6 - 1) * 2);
    EXPECT_EQ(host::textWidth("\xC3\xA9"), 5);  // one unknown character

    const Colour white{255, 255, 255};
    Canvas canvas(80, 20, white);
    host::drawText(canvas, 4, 3, "NASA GIBS", Colour{}, 1);
    int32_t left = 80, right = -1, top = 20, bottom = -1;
    for (int32_t y = 0; y < 20; ++y) {
        for (int32_t x = 0; x < 80; ++x) {
            if (canvas.pixel(x, y).r == 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    EXPECT_EQ(left, 4);
    EXPECT_EQ(right, 4 + host::textWidth("NASA GIBS") - 1);
    EXPECT_EQ(top, 3);
    EXPECT_EQ(bottom, 3 + host::glyphHeight - 1);
    // Clipped at the edges, never written past them.
    host::drawText(canvas, 70, 15, "Open-Meteo.com", Colour{}, 3);
}

TEST(HostOutlinesTest, TheLandMaskFindsContinentsAndSeas) {
    // The whole world, one pixel a degree, north up.
    const auto mask = host::landMask(360, 180, [](double lon, double lat) {
        return host::Point{lon + 180.0, 90.0 - lat};
    });
    auto land = [&](double lon, double lat) {
        return mask[static_cast<size_t>(90 - lat) * 360 + static_cast<size_t>(lon + 180)] != 0;
    };
    EXPECT_TRUE(land(2.35, 48.85));  // Paris
    EXPECT_TRUE(land(-100, 40));     // the middle of North America
    EXPECT_TRUE(land(134, -25));     // Australia
    EXPECT_FALSE(land(-30, 30));     // the Atlantic
    EXPECT_FALSE(land(51, 42));      // the Caspian Sea, cut out of Asia
    EXPECT_FALSE(land(-150, -20));   // the Pacific

    Canvas canvas(360, 180, Colour{255, 255, 255});
    host::drawCoast(canvas, mask, Colour{}, 1.0);
    EXPECT_EQ(canvas.pixel(static_cast<int32_t>(2.35 + 180), 90 - 49).r, 255);  // inland
    EXPECT_GT(inkedPixels(canvas, Colour{255, 255, 255}), 500);
}

TEST(HostRampTest, ValuesBetweenStopsAreMixedAndEndsHold) {
    const host::Stop stops[] = {{0, {0, 0, 0}}, {10, {200, 100, 0}}};
    EXPECT_EQ(host::ramp(stops, 2, -5).r, 0);
    EXPECT_EQ(host::ramp(stops, 2, 5).r, 100);
    EXPECT_EQ(host::ramp(stops, 2, 5).g, 50);
    EXPECT_EQ(host::ramp(stops, 2, 99).r, 200);
}

}  // namespace
}  // namespace nubivo
