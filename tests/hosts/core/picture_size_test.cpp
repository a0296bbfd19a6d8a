#include <gtest/gtest.h>

#include "hosts/core/canvas.h"
#include "support/image_fixtures.h"

namespace nubivo {
namespace {

using host::Canvas;
using host::Colour;

// A host reads a GIF's size from its header before decoding, by the rules the viewer keeps:
// neither its logical screen nor its first image may pass the limit, whatever the decoder
// would make of it.
TEST(HostPictureSizeTest, AGifIsJudgedByTheSizesItDeclares) {
    struct Case {
        const char* name;
        test::Bytes gif;
        int32_t maxSide;
        bool decoded;
    };
    const Case cases[] = {
        {"within the limit", test::handMadeGif(2, 2, 1, 1), 4096, true},
        {"screen over the limit, image within", test::handMadeGif(4097, 1, 1, 1), 4096, false},
        {"image over the limit, screen within", test::handMadeGif(10, 10, 5000, 10), 4096, false},
        {"screen over a limit of its own", test::handMadeGif(40, 1, 1, 1), 39, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas out(3, 3, Colour{1, 2, 3});
        EXPECT_EQ(Canvas::decode(c.gif.data(), c.gif.size(), Colour{}, out, c.maxSide), c.decoded);
        EXPECT_EQ(out.width(), c.decoded ? 1 : 3);
    }
}

}  // namespace
}  // namespace nubivo
