// The window on a screen scaled by 2. CTest runs these in processes of their own with
// NUBIVO_TEST_SCALE=2, which sets QT_SCALE_FACTOR=2 before the application object exists (the
// "Scale2." tests); at any other scale they are skipped.
#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>

#include "tests/ui/window_fixture.h"
#include "ui/commands.h"
#include "ui/paint_window.h"

namespace nubivo::test {
namespace {

const QColor white{Qt::white};
const QColor black{Qt::black};

class HiDpiTest : public HiDpiWindowTest {
  protected:
    // The back buffer's pixel at device coordinates.
    static QColor device(int32_t x, int32_t y) {
        return QColor(windowResources.backBuffer.pixel(x, y));
    }
};

TEST_F(HiDpiTest, WindowIsTwiceTheSizeInDevicePixelsWithEverythingInProportion) {
    QWidget* window = windowResources.mainWindow;
    EXPECT_EQ(window->size(), QSize(360, 570)) << "logical pixels as at scale 1";
    EXPECT_DOUBLE_EQ(window->devicePixelRatioF(), 2.0);
    const QImage& buffer = windowResources.backBuffer;
    EXPECT_EQ(buffer.size(), QSize(720, 1140));
    EXPECT_DOUBLE_EQ(buffer.devicePixelRatio(), 2.0);

    window->show();
    const QPixmap shown = window->grab();
    EXPECT_EQ(shown.size(), QSize(720, 1140)) << "the window's own device pixels";

    // The controls keep their logical places, so they stand at twice them on the screen.
    EXPECT_EQ(windowResources.updateButton->geometry(), QRect(250, 90, 78, 20));
    EXPECT_EQ(windowResources.exitButton->grab().size(), QSize(160, 40));
    EXPECT_EQ(windowResources.controlFont.pixelSize(), 13) << "fonts in logical pixels";
    const QList<QSize> icons = window->windowIcon().availableSizes();
    for (int size : {32, 64, 96}) {
        EXPECT_TRUE(icons.contains(QSize(size, size))) << "icon drawn at " << size;
    }
}

TEST_F(HiDpiTest, OutlinesAndRuleLinesAreTwoSharpDevicePixelsWide) {
    paintWindow();
    // Every pixel of a line's two device rows or columns is pure black, and the pixels on
    // either side are pure background: nothing is smeared across a half pixel.
    struct Line {
        const char* name;
        bool horizontal;
        int32_t at;    // logical row or column
        int32_t from;  // logical extent along the line, end excluded
        int32_t to;
        QColor before;  // what lies just before and just after the line
        QColor after;
    };
    const QColor faceColour = face();
    const Line lines[] = {
        {"rule 27", true, 27, 15, 220, faceColour, faceColour},
        {"rule 31", true, 31, 15, 100, faceColour, faceColour},
        {"info top", true, 150, 10, 350, faceColour, white},
        {"info left", false, 10, 168, 265, faceColour, white},
        {"map bottom", true, 539, 10, 350, white, faceColour},
        {"map right", false, 349, 290, 540, white, faceColour},
    };
    for (const Line& line : lines) {
        SCOPED_TRACE(line.name);
        for (int32_t d = 2 * line.from; d < 2 * line.to; ++d) {
            auto at = [&](int32_t across) {
                return line.horizontal ? device(d, across) : device(across, d);
            };
            ASSERT_EQ(at(2 * line.at), black) << d;
            ASSERT_EQ(at(2 * line.at + 1), black) << d;
            if (d > 2 * line.from + 1 && d < 2 * line.to - 2) {
                ASSERT_EQ(at(2 * line.at - 1), line.before) << d;
                ASSERT_EQ(at(2 * line.at + 2), line.after) << d;
            }
        }
    }
    // A rule line ends before its end point: at device column 440 for (220,27).
    EXPECT_EQ(device(439, 54), black);
    EXPECT_EQ(device(440, 54), faceColour);

    // Tab outlines and the 2-pixel gap between tabs: 4 device pixels.
    Rect tab = tabRect(infoTabFirst, 1);
    EXPECT_EQ(device(2 * tab.left, 2 * tab.top + 10), black);
    EXPECT_EQ(device(2 * tab.left + 1, 2 * tab.top + 10), black);
    EXPECT_EQ(device(2 * tab.left + 2, 2 * tab.top + 27), darkTabColour);
    for (int32_t gap = 2 * tab.right; gap < 2 * tab.right + 4; ++gap) {
        EXPECT_EQ(device(gap, 2 * tab.bottom - 3), white) << gap;
    }
}

TEST_F(HiDpiTest, TabsAreHitByTheLogicalPixelUnderThePointer) {
    QWidget* window = windowResources.mainWindow;
    auto move = [window](QPointF at) {
        QMouseEvent event(QEvent::MouseMove, at, window->mapToGlobal(at), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(window, &event);
    };
    // Positions between logical pixels are where a scaled screen's pointer lands: 181.5 is
    // the right half of pixel 181, in the gap before "Atmo.".
    const struct {
        QPointF at;
        int32_t info;
        int32_t map;
    } cases[] = {
        {{181.5, 160.0}, -1, -1},
        {{182.0, 160.0}, Atmosphere, -1},
        {{139.5, 152.5}, -1, -1},
        {{140.0, 166.5}, Wind, -1},
        {{221.5, 280.0}, -1, Satellite},
        {{222.0, 280.0}, -1, -1},
        {{308.5, 286.5}, -1, Precipitation},
        {{349.5, 300.0}, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.at.x() << "," << c.at.y() << ")");
        move(c.at);
        EXPECT_EQ(viewerState.hoverInfoTab, c.info);
        EXPECT_EQ(viewerState.hoverMapTab, c.map);
    }

    viewerState.selectedMapTab = ForecastLow;
    const QPointF gap(223.5, 280.0);
    QMouseEvent press(QEvent::MouseButtonPress, gap, window->mapToGlobal(gap), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &press);
    EXPECT_EQ(viewerState.selectedMapTab, ForecastLow) << "a press in the gap selects nothing";
    const QPointF high(224.5, 280.0);
    QMouseEvent onHigh(QEvent::MouseButtonPress, high, window->mapToGlobal(high), Qt::LeftButton,
                       Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &onHigh);
    EXPECT_EQ(viewerState.selectedMapTab, ForecastHigh);
}

// A 440 x 330 map of one-pixel columns, red and blue in turn.
Image24 stripedMap() {
    FIBITMAP* image = FreeImage_Allocate(440, 330, 24);
    for (int y = 0; y < 330; ++y) {
        BYTE* row = FreeImage_GetScanLine(image, y);
        for (int x = 0; x < 440; ++x) {
            row[3 * x + FI_RGBA_RED] = x % 2 == 0 ? 255 : 0;
            row[3 * x + FI_RGBA_GREEN] = 0;
            row[3 * x + FI_RGBA_BLUE] = x % 2 == 0 ? 0 : 255;
        }
    }
    return image;
}

TEST_F(HiDpiTest, MapFillsItsDevicePixelAreaFromTheFullPicture) {
    viewerState.layerReady[Satellite].store(1);
    storeImage(viewerState.layerImage[Satellite], solidImage(440, 330, QColor(20, 160, 40)));
    paintWindow();
    const QImage& converted = windowResources.mapPicture[Satellite].picture;
    EXPECT_EQ(converted.size(), QSize(660, 480)) << "scaled once, to device pixels";
    EXPECT_DOUBLE_EQ(converted.devicePixelRatio(), 2.0);

    // (15,295)-(345,535) logical is (30,590)-(690,1070) in device pixels, exactly.
    const QColor green(20, 160, 40);
    int32_t covered = 0;
    for (int32_t y = 590; y < 1070; ++y) {
        for (int32_t x = 30; x < 690; ++x) {
            covered += device(x, y) == green;
        }
    }
    EXPECT_EQ(covered, 660 * 480);
    for (int32_t y = 588; y < 1072; ++y) {
        ASSERT_EQ(device(29, y), white) << y;
        ASSERT_EQ(device(690, y), white) << y;
    }
    for (int32_t x = 28; x < 692; ++x) {
        ASSERT_EQ(device(x, 589), white) << x;
        ASSERT_EQ(device(x, 1070), white) << x;
    }

    // One-pixel detail of the picture survives: made straight from 440 columns, the 660
    // device columns still swing from nearly pure red to nearly pure blue. Scaled to 330
    // logical columns first, they would all be a muddy purple.
    storeImage(viewerState.layerImage[Satellite], stripedMap());
    paintWindow();
    int32_t reddest = 0;
    int32_t bluest = 0;
    for (int32_t x = 100; x < 200; ++x) {
        const QColor c = device(x, 800);
        reddest = std::max(reddest, c.red() - c.blue());
        bluest = std::max(bluest, c.blue() - c.red());
    }
    EXPECT_GT(reddest, 120);
    EXPECT_GT(bluest, 120);
}

TEST_F(HiDpiTest, IconIsDrawnAtTwiceItsSizeFromItsOwnPixels) {
    FIBITMAP* icon = FreeImage_Allocate(52, 40, 24);
    for (int y = 0; y < 40; ++y) {
        BYTE* row = FreeImage_GetScanLine(icon, y);  // row 0 is the bottom row
        for (int x = 0; x < 52; ++x) {
            row[3 * x + FI_RGBA_RED] = y >= 20 ? 250 : 10;
            row[3 * x + FI_RGBA_GREEN] = x < 26 ? 240 : 20;
            row[3 * x + FI_RGBA_BLUE] = 30;
        }
    }
    storeImage(viewerState.conditionIcon, icon);
    paintWindow();
    // (15,190) logical, 52 x 40: device (30,380)-(134,460). Corners away from the city text.
    EXPECT_EQ(device(30, 400), QColor(250, 240, 30)) << "top left";
    EXPECT_EQ(device(133, 400), QColor(250, 20, 30)) << "top right";
    EXPECT_EQ(device(30, 459), QColor(10, 240, 30)) << "bottom left";
    EXPECT_EQ(device(133, 459), QColor(10, 20, 30)) << "bottom right";
    EXPECT_EQ(device(134, 459), white);
    EXPECT_EQ(device(30, 460), white);
    EXPECT_EQ(device(29, 440), white);
}

TEST_F(HiDpiTest, TextIsRenderedAtDevicePixelsNotEnlarged) {
    paintWindow();
    // The label "Name or ZIP code:" at (58,40). Text drawn at the ratio has glyph edges that
    // fall on single device pixels; text drawn at scale 1 and enlarged would be made of
    // uniform 2 x 2 blocks only.
    int32_t mixedBlocks = 0;
    int32_t inkedBlocks = 0;
    for (int32_t y = 80; y < 110; y += 2) {
        for (int32_t x = 116; x < 330; x += 2) {
            const QRgb a = windowResources.backBuffer.pixel(x, y);
            const QRgb b = windowResources.backBuffer.pixel(x + 1, y);
            const QRgb c = windowResources.backBuffer.pixel(x, y + 1);
            const QRgb d = windowResources.backBuffer.pixel(x + 1, y + 1);
            if (qGray(a) < 128 || qGray(d) < 128) {
                ++inkedBlocks;
            }
            if (a != b || a != c || a != d) {
                ++mixedBlocks;
            }
        }
    }
    EXPECT_GT(inkedBlocks, 100) << "the label is there";
    EXPECT_GT(mixedBlocks, inkedBlocks / 3);
}

}  // namespace
}  // namespace nubivo::test
