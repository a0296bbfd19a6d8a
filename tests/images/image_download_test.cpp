#include "images/image_download.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "state/viewer_state.h"
#include "support/image_fixtures.h"

namespace nubivo {
namespace {

using test::Bytes;

// A request stand-in that hands out pieces as scripted: a count n > 0 gives n bytes that
// continue a running pattern, 0 ends the body, -1 fails.
struct ScriptedReader {
    explicit ScriptedReader(std::vector<int32_t> script) : pieces(std::move(script)) {}

    std::vector<int32_t> pieces;
    size_t next = 0;
    uint32_t produced = 0;
    std::vector<int32_t> asked;

    static int32_t read(void* context, char* buffer, int32_t size) {
        auto* self = static_cast<ScriptedReader*>(context);
        self->asked.push_back(size);
        int32_t piece = self->next < self->pieces.size() ? self->pieces[self->next++] : 0;
        for (int32_t i = 0; i < piece; ++i) {
            buffer[i] = static_cast<char>(patternByte(self->produced++));
        }
        return piece;
    }
    static uint8_t patternByte(uint32_t offset) { return static_cast<uint8_t>(offset * 7 + 3); }
};

bool holdsPattern(const ResponseBody& body) {
    for (uint32_t i = 0; i < body.size; ++i) {
        if (body.block[i] != ScriptedReader::patternByte(i)) {
            return false;
        }
    }
    return true;
}

// Pieces a scripted reader hands over (0 ends, -1 fails), and what the body must come to.
struct BodyCase {
    const char* name;
    std::vector<int32_t> pieces;
    uint32_t expectedSize;
    size_t expectedReads;
};

TEST(ImageDownloadTest, ReadsWholeBodyInPiecesOfAtMost4096) {
    const BodyCase cases[] = {
        {"exactly 4096 bytes in one read", {4096, 0}, 4096, 2},
        {"several full chunks and a short one", {4096, 4096, 100, 0}, 8292, 4},
        {"uneven pieces", {1, 4095, 7, 2000, 0}, 6103, 5},
        {"empty body", {0}, 0, 1},
        {"first read fails", {-1}, 0, 1},
        {"failure mid-body keeps the bytes so far", {4096, 1000, -1, 50}, 5096, 3},
    };
    for (const BodyCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedReader reader(c.pieces);
        ResponseBody body = readBody(ScriptedReader::read, &reader, responseBodyLimit);
        EXPECT_EQ(body.size, c.expectedSize);
        EXPECT_EQ(body.block == nullptr, c.expectedSize == 0);
        EXPECT_TRUE(holdsPattern(body));
        EXPECT_EQ(reader.asked.size(), c.expectedReads);
        EXPECT_TRUE(std::all_of(reader.asked.begin(), reader.asked.end(),
                                [](int32_t size) { return size == 4096; }));
        std::free(body.block);
    }
}

// The limit is met with a small one: at 8 MiB the exact growth of the block costs a copy
// per chunk, which takes a minute under the address sanitizer.
TEST(ImageDownloadTest, AbandonsBodyOverTheLimit) {
    const BodyCase cases[] = {
        {"exactly the limit is kept", {4096, 4096, 1808, 0}, 10000, 4},
        {"one byte more gives nothing and reads no further", {4096, 4096, 1809, 4096}, 0, 3},
        {"a single piece over the limit", {4096, 4096, 4096, 0}, 0, 3},
    };
    for (const BodyCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedReader reader(c.pieces);
        ResponseBody body = readBody(ScriptedReader::read, &reader, 10000);
        EXPECT_EQ(body.size, c.expectedSize);
        EXPECT_EQ(body.block == nullptr, c.expectedSize == 0);
        EXPECT_TRUE(holdsPattern(body));
        EXPECT_EQ(reader.asked.size(), c.expectedReads);
        std::free(body.block);
    }
}

TEST(ImageDownloadTest, NullRequestGivesNoBlock) {
    ResponseBody body = readResponseBody(nullptr);
    EXPECT_EQ(body.block, nullptr);
    EXPECT_EQ(body.size, 0u);
}

TEST(ImageDownloadTest, OnlyJpegPngAndGifDecodersStayEnabled) {
    initImageDecoding();  // a second call changes nothing
    for (int index = 0; index < FreeImage_GetFIFCount(); ++index) {
        auto format = static_cast<FREE_IMAGE_FORMAT>(index);
        SCOPED_TRACE(FreeImage_GetFormatFromFIF(format));
        bool wanted = format == FIF_JPEG || format == FIF_PNG || format == FIF_GIF;
        EXPECT_EQ(FreeImage_IsPluginEnabled(format) == TRUE, wanted);
    }
}

class ReplaceImageTest : public ::testing::Test {
  protected:
    void SetUp() override { resetViewerState(); }
    void TearDown() override { resetViewerState(); }

    // Puts a small picture into the slot, as an earlier download would have.
    static void fillSlot(Image24& slot) {
        FIBITMAP* older = test::makeBitmap(3, 3, 24, 1, 2, 3);
        Bytes png = test::encode(older, FIF_PNG);
        FreeImage_Unload(older);
        replaceImage(slot, png.data(), static_cast<uint32_t>(png.size()));
        ASSERT_NE(slot, nullptr);
        ASSERT_EQ(FreeImage_GetWidth(slot), 3u);
    }
};

Bytes encodeWith(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format) {
    Bytes bytes = test::encode(bitmap, format);
    FreeImage_Unload(bitmap);
    return bytes;
}

// A JPEG whose frame header claims `width` x `height` and which ends right after the scan
// header: no pixel data follows, so only a decoder that trusts the header would allocate.
Bytes jpegHeaderClaiming(uint16_t width, uint16_t height) {
    Bytes bytes = test::encodeSolid(FIF_JPEG, 16, 16);
    for (size_t i = 2; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = static_cast<uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<uint8_t>(height & 0xFF);
            bytes[i + 7] = static_cast<uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<uint8_t>(width & 0xFF);
        }
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
            size_t segment = static_cast<size_t>(bytes[i + 2]) << 8 | bytes[i + 3];
            bytes.resize(i + 2 + segment);
            break;
        }
    }
    return bytes;
}

TEST_F(ReplaceImageTest, DecodesAcceptedPicturesTo24Bits) {
    struct Case {
        const char* name;
        Bytes bytes;
        unsigned width;
        unsigned height;
        test::Bgr colour;
        int tolerance;  // lossy formats come back near the colour, not on it
    };
    const Case cases[] = {
        {"colour JPEG", test::encodeSolid(FIF_JPEG, 16, 8), 16, 8, {10, 40, 200}, 12},
        {"greyscale JPEG",
         encodeWith(test::makeBitmap(8, 8, 8, 128, 0, 0), FIF_JPEG),
         8,
         8,
         {128, 128, 128},
         4},
        {"PNG with alpha",
         encodeWith(test::makeBitmap(5, 4, 32, 200, 40, 10, 100), FIF_PNG),
         5,
         4,
         {10, 40, 200},
         0},
        {"GIF", encodeWith(test::makeBitmap(6, 2, 8, 77, 0, 0), FIF_GIF), 6, 2, {77, 77, 77}, 0},
        {"hand-made GIF", test::handMadeGif(1, 1, 1, 1), 1, 1, {0, 0, 0}, 0},
        {"JPEG 4096 wide", test::encodeSolid(FIF_JPEG, 4096, 1), 4096, 1, {10, 40, 200}, 12},
        {"PNG 4096 high", test::encodeSolid(FIF_PNG, 1, 4096), 1, 4096, {10, 40, 200}, 0},
        {"JPEG header of a picture cut short", jpegHeaderClaiming(64, 64), 64, 64, {0, 0, 0}, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.empty());
        fillSlot(viewerState.conditionIcon);
        Image24 older = viewerState.conditionIcon;
        replaceImage(viewerState.conditionIcon, c.bytes.data(),
                     static_cast<uint32_t>(c.bytes.size()));
        Image24 slot = viewerState.conditionIcon;
        ASSERT_NE(slot, nullptr);
        EXPECT_NE(slot, older);
        EXPECT_EQ(FreeImage_GetBPP(slot), 24u);
        EXPECT_EQ(FreeImage_GetImageType(slot), FIT_BITMAP);
        EXPECT_EQ(FreeImage_GetWidth(slot), c.width);
        EXPECT_EQ(FreeImage_GetHeight(slot), c.height);
        test::Bgr pixel = test::pixelAt(slot, c.width - 1, c.height - 1);
        EXPECT_NEAR(pixel.blue, c.colour.blue, c.tolerance);
        EXPECT_NEAR(pixel.green, c.colour.green, c.tolerance);
        EXPECT_NEAR(pixel.red, c.colour.red, c.tolerance);
    }
}

TEST_F(ReplaceImageTest, RejectedBytesEmptyTheSlot) {
    std::string garbage = "<html><body>404 Not Found</body></html>";
    Bytes jpeg = test::encodeSolid(FIF_JPEG, 16, 16);
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"an error page", Bytes(garbage.begin(), garbage.end())},
        {"random bytes", Bytes(300, 0x5A)},
        {"first ten bytes of a JPEG", Bytes(jpeg.begin(), jpeg.begin() + 10)},
        {"TIFF", test::handMadeTiff()},
        {"JPEG 4097 wide", test::encodeSolid(FIF_JPEG, 4097, 1)},
        {"JPEG 4097 high", test::encodeSolid(FIF_JPEG, 1, 4097)},
        {"PNG 4097 wide", test::encodeSolid(FIF_PNG, 4097, 1)},
        {"PNG 4097 high", test::encodeSolid(FIF_PNG, 1, 4097)},
        {"GIF 4097 wide", test::encodeSolid(FIF_GIF, 4097, 1)},
        {"GIF screen 4097 high", test::handMadeGif(1, 4097, 1, 1)},
        {"GIF image larger than its screen", test::handMadeGif(10, 10, 5000, 10)},
        {"GIF without an image", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}},
        {"JPEG header claiming 5000 x 5000", jpegHeaderClaiming(5000, 5000)},
        {"JPEG header claiming 4097 x 16", jpegHeaderClaiming(4097, 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.empty());
        fillSlot(viewerState.layerImage[ForecastLow]);
        replaceImage(viewerState.layerImage[ForecastLow], c.bytes.data(),
                     static_cast<uint32_t>(c.bytes.size()));
        EXPECT_EQ(viewerState.layerImage[ForecastLow], nullptr);
    }
}

TEST_F(ReplaceImageTest, TiffIsRefusedEvenWithItsDecoderEnabled) {
    Bytes tiff = test::handMadeTiff();
    FreeImage_SetPluginEnabled(FIF_TIFF, TRUE);
    FIMEMORY* stream = FreeImage_OpenMemory(tiff.data(), static_cast<DWORD>(tiff.size()));
    FIBITMAP* decoded = FreeImage_LoadFromMemory(FIF_TIFF, stream, 0);
    EXPECT_NE(decoded, nullptr) << "the fixture is a TIFF that FreeImage can read";
    FreeImage_Unload(decoded);
    FreeImage_CloseMemory(stream);

    fillSlot(viewerState.conditionIcon);
    replaceImage(viewerState.conditionIcon, tiff.data(), static_cast<uint32_t>(tiff.size()));
    FreeImage_SetPluginEnabled(FIF_TIFF, FALSE);
    EXPECT_EQ(viewerState.conditionIcon, nullptr);
}

TEST_F(ReplaceImageTest, NullBlockEmptiesTheSlot) {
    replaceImage(viewerState.conditionIcon, nullptr, 0);
    EXPECT_EQ(viewerState.conditionIcon, nullptr);
    fillSlot(viewerState.conditionIcon);
    replaceImage(viewerState.conditionIcon, nullptr, 0);
    EXPECT_EQ(viewerState.conditionIcon, nullptr);
}

// The painter holds the lock for a whole paint and reads the slot's pixels; replacements
// during paints must never hand it a released image.
TEST_F(ReplaceImageTest, PainterNeverSeesReleasedImage) {
    Bytes good = test::encodeSolid(FIF_PNG, 32, 32);
    Bytes bad(64, 0x00);
    std::atomic<bool> done{false};
    std::thread painter([&] {
        while (!done.load()) {
            std::lock_guard guard(viewerState.stateLock);
            Image24 slot = viewerState.layerImage[Satellite];
            if (slot != nullptr) {
                EXPECT_EQ(test::pixelAt(slot, 31, 31).red, 200);
            }
        }
    });
    for (int round = 0; round < 40; ++round) {
        const Bytes& bytes = round % 3 == 2 ? bad : good;
        replaceImage(viewerState.layerImage[Satellite], bytes.data(),
                     static_cast<uint32_t>(bytes.size()));
    }
    done.store(true);
    painter.join();
}

}  // namespace
}  // namespace nubivo
