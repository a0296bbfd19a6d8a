#include "images/picture_reduction.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "images/image_download.h"
#include "images/map_layers.h"
#include "state/viewer_state.h"
#include "support/image_fixtures.h"

namespace nubivo {
namespace {

using Grey = std::vector<uint8_t>;  // one value per pixel, rows in order

// Reduces a grey picture held as 3-byte pixels (every channel the same) and returns the
// target's values, checking that the three channels stayed equal.
Grey reduceGrey(const Grey& source, uint32_t width, uint32_t height, uint32_t targetWidth,
                uint32_t targetHeight) {
    std::vector<uint8_t> in(source.size() * 3);
    for (size_t i = 0; i < source.size(); ++i) {
        in[3 * i] = in[3 * i + 1] = in[3 * i + 2] = source[i];
    }
    std::vector<uint8_t> out(size_t{targetWidth} * targetHeight * 3, 0xEE);
    reducePixels(in.data(), width, height, width * 3, 3, out.data(), targetWidth, targetHeight,
                 targetWidth * 3);
    Grey result;
    for (size_t i = 0; i < out.size(); i += 3) {
        EXPECT_EQ(out[i], out[i + 1]);
        EXPECT_EQ(out[i], out[i + 2]);
        result.push_back(out[i]);
    }
    return result;
}

TEST(PictureReductionTest, ReducesOnlyTheSidesOverTheirLimit) {
    struct Case {
        uint32_t width, height, maxWidth, maxHeight;
        uint32_t expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {4096, 4096, 660, 480, 660, 480}, {700, 300, 660, 480, 660, 300},
        {300, 900, 660, 480, 300, 480},   {660, 480, 660, 480, 660, 480},
        {661, 481, 660, 480, 660, 480},   {1, 1, 660, 480, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        ReducedSize size = reducedSize(c.width, c.height, c.maxWidth, c.maxHeight);
        EXPECT_EQ(size.width, c.expectedWidth);
        EXPECT_EQ(size.height, c.expectedHeight);
    }
}

// Each case would come out differently under point sampling, which picks one source pixel
// per target pixel.
TEST(PictureReductionTest, AveragesTheAreaEachPixelCovers) {
    struct Case {
        const char* name;
        Grey source;
        uint32_t width, height, targetWidth, targetHeight;
        Grey expected;
    };
    const Case cases[] = {
        {"two to one across", {0, 255}, 2, 1, 1, 1, {128}},
        {"three to two across: a pixel split between two", {0, 90, 180}, 3, 1, 2, 1, {30, 150}},
        {"four to two down keeps the rows in order", {0, 0, 200, 100}, 1, 4, 1, 2, {0, 150}},
        {"a 2 x 2 block to its mean", {0, 100, 200, 40}, 2, 2, 1, 1, {85}},
        {"five to two across: the middle pixel half in each",
         {10, 20, 30, 40, 50},
         5,
         1,
         2,
         1,
         {18, 42}},
        {"unreduced side is copied", {7, 8, 9}, 3, 1, 3, 1, {7, 8, 9}},
        {"a checker to even grey", {0, 255, 0, 255, 255, 0, 255, 0}, 4, 2, 2, 1, {128, 128}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(reduceGrey(c.source, c.width, c.height, c.targetWidth, c.targetHeight),
                  c.expected);
    }
}

TEST(PictureReductionTest, KeepsOneColourExactAndChannelsApart) {
    // 37 x 23 of one colour to 5 x 3: every target pixel is that colour, whatever its weights.
    const uint8_t colour[3] = {17, 133, 251};
    std::vector<uint8_t> in(37 * 23 * 3);
    for (size_t i = 0; i < in.size(); ++i) {
        in[i] = colour[i % 3];
    }
    std::vector<uint8_t> out(5 * 3 * 3);
    reducePixels(in.data(), 37, 23, 37 * 3, 3, out.data(), 5, 3, 5 * 3);
    for (size_t i = 0; i < out.size(); ++i) {
        ASSERT_EQ(out[i], colour[i % 3]) << "at byte " << i;
    }
}

TEST(PictureReductionTest, SkipsRowPaddingAndTheFourthByte) {
    // Two 4-byte pixels per row, rows padded to 12 bytes with 0xFF that must not count.
    const uint8_t in[] = {
        10, 20, 30, 0xFF, 30, 40, 50, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // row 0
        50, 60, 70, 0xFF, 70, 80, 90, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // row 1
    };
    uint8_t out[4] = {0, 0, 0, 0xAB};
    reducePixels(in, 2, 2, 12, 4, out, 1, 1, 4);
    EXPECT_EQ(out[0], 40);
    EXPECT_EQ(out[1], 50);
    EXPECT_EQ(out[2], 60);
    EXPECT_EQ(out[3], 0xAB);  // the target's padding is left alone
}

// A bitmap whose pixel (x, y) has the colour `colour(x, y)`, as blue, green, red.
FIBITMAP* paintedBitmap(unsigned width, unsigned height, unsigned bpp,
                        const std::function<test::Bgr(unsigned, unsigned)>& colour) {
    FIBITMAP* bitmap = test::makeBitmap(width, height, bpp, 0, 0, 0, 9);
    for (unsigned y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap, static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) {
            test::Bgr c = colour(x, y);
            if (bpp == 8) {  // grey palette: the green value stands for all three
                row[x] = c.green;
                continue;
            }
            BYTE* pixel = row + x * (bpp / 8);
            pixel[FI_RGBA_BLUE] = c.blue;
            pixel[FI_RGBA_GREEN] = c.green;
            pixel[FI_RGBA_RED] = c.red;
        }
    }
    return bitmap;
}

test::Bgr checker(unsigned x, unsigned y) {
    uint8_t value = (x + y) % 2 == 0 ? 0 : 255;
    return test::Bgr{value, static_cast<uint8_t>(255 - value), 100};
}

TEST(PictureReductionTest, ReducesBitmapsOfBothDepthsTo24Bits) {
    for (unsigned bpp : {24u, 32u}) {
        SCOPED_TRACE(bpp);
        FIBITMAP* large = paintedBitmap(1320, 970, bpp, checker);
        Image24 reduced = reduceImage24(large, 660, 480);
        ASSERT_NE(reduced, nullptr);
        EXPECT_EQ(FreeImage_GetBPP(reduced), 24u);
        EXPECT_EQ(FreeImage_GetWidth(reduced), 660u);
        EXPECT_EQ(FreeImage_GetHeight(reduced), 480u);
        // Every target pixel covers whole 2 x 2 checker blocks (and parts of others): grey.
        for (unsigned y : {0u, 239u, 479u}) {
            for (unsigned x : {0u, 331u, 659u}) {
                test::Bgr pixel = test::pixelAt(reduced, x, y);
                EXPECT_NEAR(pixel.blue, 128, 2) << x << "," << y;
                EXPECT_NEAR(pixel.green, 128, 2) << x << "," << y;
                EXPECT_EQ(pixel.red, 100) << x << "," << y;
            }
        }
        unloadImage24(reduced);
        FreeImage_Unload(large);
    }
}

TEST(PictureReductionTest, RefusesWhatItCannotReduce) {
    FIBITMAP* grey = test::makeBitmap(800, 600, 8, 50, 0, 0);
    EXPECT_EQ(reduceImage24(grey, 660, 480), nullptr);
    FreeImage_Unload(grey);
    FIBITMAP* colour = test::makeBitmap(800, 600, 24, 50, 60, 70);
    EXPECT_EQ(reduceImage24(colour, 0, 480), nullptr);
    EXPECT_EQ(reduceImage24(nullptr, 660, 480), nullptr);
    FreeImage_Unload(colour);
}

class MapPictureTest : public ::testing::Test {
  protected:
    void SetUp() override { resetViewerState(); }
    void TearDown() override { resetViewerState(); }
};

TEST_F(MapPictureTest, KeepsPicturesUpToTwiceTheMapAreaAsDecoded) {
    ASSERT_EQ(mapKeptWidth, 660u);
    ASSERT_EQ(mapKeptHeight, 480u);
    struct Case {
        const char* name;
        unsigned width, height;
        FREE_IMAGE_FORMAT format;
    };
    const Case cases[] = {
        {"the sample host's 440 x 330 JPEG", 440, 330, FIF_JPEG},
        {"exactly 660 x 480", 660, 480, FIF_PNG},
        {"small GIF", 40, 30, FIF_GIF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FIBITMAP* picture = paintedBitmap(
            c.width, c.height, c.format == FIF_GIF ? 8 : 24, [](unsigned x, unsigned y) {
                return test::Bgr{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 7};
            });
        test::Bytes bytes = test::encode(picture, c.format);
        FreeImage_Unload(picture);
        ASSERT_FALSE(bytes.empty());
        Image24 plain = nullptr;
        replaceImage(plain, bytes.data(), static_cast<uint32_t>(bytes.size()));
        Image24& slot = viewerState.layerImage[Satellite];
        replaceImageWithin(slot, bytes.data(), static_cast<uint32_t>(bytes.size()), mapKeptWidth,
                           mapKeptHeight);
        ASSERT_NE(plain, nullptr);
        ASSERT_NE(slot, nullptr);
        ASSERT_EQ(FreeImage_GetWidth(slot), c.width);
        ASSERT_EQ(FreeImage_GetHeight(slot), c.height);
        for (unsigned y = 0; y < c.height; ++y) {
            ASSERT_EQ(std::memcmp(FreeImage_GetScanLine(slot, static_cast<int>(y)),
                                  FreeImage_GetScanLine(plain, static_cast<int>(y)),
                                  FreeImage_GetLine(slot)),
                      0)
                << "row " << y;
        }
        unloadImage24(plain);
    }
}

TEST_F(MapPictureTest, ReducesLargerPicturesRightAfterDecoding) {
    struct Case {
        const char* name;
        unsigned width, height, bpp;
        FREE_IMAGE_FORMAT format;
        unsigned expectedWidth, expectedHeight;
        bool evenGrey;  // the width is reduced by a whole even factor
    };
    const Case cases[] = {
        {"2640 x 1920 PNG", 2640, 1920, 24, FIF_PNG, 660, 480, true},
        {"PNG with alpha, only too wide", 1000, 200, 32, FIF_PNG, 660, 200, false},
        {"JPEG only too tall", 300, 1000, 24, FIF_JPEG, 300, 480, false},
        {"GIF (a palette picture)", 1320, 960, 8, FIF_GIF, 660, 480, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Vertical stripes one pixel wide, alternating dark and light: averaged they give an
        // even grey, sampled they give one of the two.
        FIBITMAP* picture = paintedBitmap(c.width, c.height, c.bpp, [](unsigned x, unsigned) {
            uint8_t value = x % 2 == 0 ? 20 : 220;
            return test::Bgr{value, value, value};
        });
        test::Bytes bytes = test::encode(picture, c.format);
        FreeImage_Unload(picture);
        ASSERT_FALSE(bytes.empty());
        Image24& slot = viewerState.layerImage[Precipitation];
        replaceImageWithin(slot, bytes.data(), static_cast<uint32_t>(bytes.size()), mapKeptWidth,
                           mapKeptHeight);
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(FreeImage_GetBPP(slot), 24u);
        EXPECT_EQ(FreeImage_GetWidth(slot), c.expectedWidth);
        EXPECT_EQ(FreeImage_GetHeight(slot), c.expectedHeight);
        if (c.evenGrey) {
            for (unsigned x : {0u, c.expectedWidth / 2, c.expectedWidth - 1}) {
                test::Bgr pixel = test::pixelAt(slot, x, c.expectedHeight / 2);
                EXPECT_EQ(pixel.green, 120) << "at x " << x;
            }
        }
    }
}

}  // namespace
}  // namespace nubivo
