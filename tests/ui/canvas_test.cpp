#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <algorithm>

#include "ui/canvas.h"
#include "ui/fonts.h"

namespace nubivo::test {
namespace {

QImage whitePicture() {
    QImage image(100, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Bounds of the non-white pixels; left > right when there are none.
Rect inkBounds(const QImage& image) {
    Rect bounds{image.width(), image.height(), -1, -1};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                bounds.left = std::min(bounds.left, x);
                bounds.top = std::min(bounds.top, y);
                bounds.right = std::max(bounds.right, x);
                bounds.bottom = std::max(bounds.bottom, y);
            }
        }
    }
    return bounds;
}

TEST(CanvasTest, RectangleCoversRightMinusLeftByBottomMinusTop) {
    QImage image = whitePicture();
    {
        Canvas canvas(&image);
        canvas.brush = QColor(0x80, 0x80, 0x80);
        rectangle(canvas, Rect{10, 20, 50, 35});
    }
    Rect ink = inkBounds(image);
    EXPECT_EQ(ink.left, 10);
    EXPECT_EQ(ink.top, 20);
    EXPECT_EQ(ink.right, 49);
    EXPECT_EQ(ink.bottom, 34);
    EXPECT_EQ(image.pixel(10, 27), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(49, 27), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(11, 21), qRgb(0x80, 0x80, 0x80));
    EXPECT_EQ(image.pixel(48, 33), qRgb(0x80, 0x80, 0x80));
}

TEST(CanvasTest, LinesLeaveOutTheirEndPoint) {
    struct Case {
        int x0, y0, x1, y1;
        Rect ink;
    };
    const Case cases[] = {{15, 27, 60, 27, Rect{15, 27, 59, 27}},
                          {60, 27, 15, 27, Rect{16, 27, 60, 27}},
                          {5, 5, 5, 30, Rect{5, 5, 5, 29}},
                          {10, 10, 20, 20, Rect{10, 10, 19, 19}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1);
        QImage image = whitePicture();
        {
            Canvas canvas(&image);
            line(canvas, c.x0, c.y0, c.x1, c.y1);
        }
        Rect ink = inkBounds(image);
        EXPECT_EQ(ink.left, c.ink.left);
        EXPECT_EQ(ink.top, c.ink.top);
        EXPECT_EQ(ink.right, c.ink.right);
        EXPECT_EQ(ink.bottom, c.ink.bottom);
        EXPECT_EQ(image.pixel(c.x1, c.y1), qRgb(255, 255, 255));
    }
}

TEST(CanvasTest, TextStandsOnItsAnchorByAlignment) {
    QFont font = viewerFont(10, false, false, 96);
    QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("HHH"));
    EXPECT_EQ(cellMetrics(font).ascent, 13);
    EXPECT_EQ(cellMetrics(font).height, 16);
    EXPECT_EQ(cellMetrics(viewerFont(8, true, false, 96)).height, 13);
    struct Case {
        TextAlign align;
        int left;  // where the text's box starts for the anchor x = 50
    };
    const Case cases[] = {{TextAlign::LeftTop, 50},
                          {TextAlign::CentreTop, 50 - width / 2},
                          {TextAlign::RightTop, 50 - width}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.align));
        QImage image = whitePicture();
        {
            Canvas canvas(&image);
            canvas.painter.setFont(font);
            canvas.align = c.align;
            textOut(canvas, 50, 10, "HHH");
        }
        Rect ink = inkBounds(image);
        EXPECT_NEAR(ink.left, c.left, 2);
        EXPECT_NEAR(ink.right, c.left + width - 1, 3);
        // The cell of 13-pixel Tahoma is 16 pixels high with 13 above the baseline; a capital
        // (about 9.5 pixels) stands on the baseline.
        EXPECT_NEAR(ink.top, 14, 1);
        EXPECT_EQ(ink.bottom, 10 + 13 - 1);
    }
}

TEST(CanvasTest, WrappedTextBreaksAtWordsAndIsClipped) {
    QFont font = viewerFont(8, true, false, 96);
    QImage image = whitePicture();
    {
        Canvas canvas(&image);
        canvas.painter.setFont(font);
        drawTextWrapped(canvas, Rect{10, 10, 60, 35},
                        "Partly cloudy with scattered showers later on", true);
    }
    Rect ink = inkBounds(image);
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 59);
    EXPECT_GE(ink.top, 10);
    EXPECT_LE(ink.bottom, 34) << "clipped to the rectangle";
    EXPECT_GT(ink.bottom, 10 + cellMetrics(font).height) << "more than one line";
}

TEST(CanvasTest, BytesThatAreNotUtf8ReadAsLatin1) {
    EXPECT_EQ(textFromBytes("Z\xC3\xBCrich"), QString::fromUtf8("Z\xC3\xBCrich"));
    EXPECT_EQ(textFromBytes("Z\xFCrich"), QString::fromLatin1("Z\xFCrich"));
    EXPECT_TRUE(textFromBytes("").isEmpty());
}

}  // namespace
}  // namespace nubivo::test
