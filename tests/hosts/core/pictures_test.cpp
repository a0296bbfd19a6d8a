#include <gtest/gtest.h>

#include <set>
#include <string>

#include "hosts/core/canvas.h"
#include "hosts/core/icons.h"

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
    for (int32_t y = 0; y < 30; ++y) {
        for (int32_t x = 0; x < 20; ++x)
            canvas.setPixel(x, y, Colour{250, 20, 20});
    }
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

}  // namespace
}  // namespace nubivo
