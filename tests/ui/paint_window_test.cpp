#include <QFontMetrics>
#include <QWidget>
#include <cstdio>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define NUBIVO_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NUBIVO_UNDER_ASAN 1
#endif
#endif
#if NUBIVO_UNDER_ASAN
// The sanitizer runtime's own count (declared here: GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include "tests/ui/window_fixture.h"
#include "ui/canvas.h"
#include "ui/paint_window.h"

namespace nubivo::test {
namespace {

const QColor white{Qt::white};
const QColor black{Qt::black};

class PaintWindowTest : public WindowTest {};

TEST_F(PaintWindowTest, StartUpPictureHasHeaderFramesAndTabs) {
    paintWindow();
    EXPECT_EQ(pixel(355, 100), face());
    EXPECT_EQ(pixel(3, 566), face());
    EXPECT_EQ(pixel(300, 10), face());

    struct RuleLine {
        int32_t y;
        int32_t endX;
    };
    for (RuleLine rule : {RuleLine{27, 220}, RuleLine{29, 160}, RuleLine{31, 100}}) {
        SCOPED_TRACE(rule.y);
        EXPECT_EQ(pixel(14, rule.y), face());
        EXPECT_EQ(pixel(15, rule.y), black);
        EXPECT_EQ(pixel(rule.endX - 1, rule.y), black);
        EXPECT_EQ(pixel(rule.endX, rule.y), face()) << "the end point is not drawn";
    }

    int32_t red = 0;
    for (int32_t y = 5; y < 27; ++y) {
        for (int32_t x = 5; x < 250; ++x) {
            QColor c = pixel(x, y);
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    }
    EXPECT_GT(red, 150) << "the red title in the header band";

    for (Rect panel : {infoPanelRect, mapPanelRect}) {
        SCOPED_TRACE(panel.top);
        int32_t midY = (panel.top + panel.bottom) / 2 + 20;
        EXPECT_EQ(pixel(panel.left, panel.top), black);
        EXPECT_EQ(pixel(panel.right - 1, panel.bottom - 1), black);
        EXPECT_EQ(pixel(panel.left, midY), black);
        EXPECT_EQ(pixel(panel.right - 1, midY), black);
        EXPECT_EQ(pixel(50, panel.top), black);
        EXPECT_EQ(pixel(50, panel.bottom - 1), black);
        EXPECT_EQ(pixel(panel.left - 1, midY), face());
        EXPECT_EQ(pixel(panel.right, midY), face());
        EXPECT_EQ(pixel(50, panel.top - 1), face());
        EXPECT_EQ(pixel(50, panel.bottom), face());
        EXPECT_EQ(pixel(panel.left + 1, panel.top + 1), white);
        EXPECT_EQ(pixel(panel.right - 2, panel.bottom - 2), white);
    }

    EXPECT_GT(darkPixels(Rect{120, 400, 240, 416}), 30) << "Image not updated... at (120,400)";
    EXPECT_EQ(darkPixels(Rect{11, 290, 349, 399}), 0);

    // Nothing but frame and tabs in the information panel before an icon exists.
    EXPECT_EQ(darkPixels(Rect{11, 168, 349, 264}), 0);
    EXPECT_EQ(darkPixels(Rect{11, 151, 139, 168}), 0);
}

// The fill colour of tab `index`, sampled inside its outline clear of the caption.
QColor tabFill(Rect first, int32_t index) {
    Rect tab = tabRect(first, index);
    return QColor(windowResources.backBuffer.pixel(tab.left + 1, tab.bottom - 2));
}

TEST_F(PaintWindowTest, TabsAreLightWhenHoveredOrSelected) {
    struct Case {
        int32_t selected;
        int32_t hovered;
        int32_t lightA;  // the tabs expected light grey; -1 for none
        int32_t lightB;
    };
    const Case cases[] = {
        {Condition, -1, Condition, -1},
        {Condition, Wind, Condition, Wind},
        {Condition, Condition, Condition, -1},
        {Forecast, Atmosphere, Forecast, Atmosphere},
        {Wind, -1, Wind, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "selected " << c.selected << " hovered " << c.hovered);
        viewerState.selectedInfoTab = c.selected;
        viewerState.hoverInfoTab = c.hovered;
        viewerState.selectedMapTab = c.selected % mapTabCount;
        viewerState.hoverMapTab = c.hovered < 0 ? -1 : c.hovered % mapTabCount;
        paintWindow();
        for (int32_t i = 0; i < infoTabCount; ++i) {
            bool light = i == c.lightA || i == c.lightB;
            EXPECT_EQ(tabFill(infoTabFirst, i), light ? lightTabColour : darkTabColour) << i;
            Rect tab = tabRect(infoTabFirst, i);
            EXPECT_EQ(pixel(tab.left, tab.top), black);
            EXPECT_EQ(pixel(tab.right - 1, tab.bottom - 1), black);
            EXPECT_EQ(pixel(tab.right, tab.bottom - 2), white) << "the 2-pixel gap";
        }
        for (int32_t i = 0; i < mapTabCount; ++i) {
            bool light =
                i == c.lightA % mapTabCount || (c.lightB >= 0 && i == c.lightB % mapTabCount);
            EXPECT_EQ(tabFill(mapTabFirst, i), light ? lightTabColour : darkTabColour) << i;
        }
    }
}

TEST_F(PaintWindowTest, IconIsDrawnAtItsOwnSizeAtItsCorner) {
    // Four quadrants of different colours show both the size and the row order.
    FIBITMAP* icon = FreeImage_Allocate(52, 40, 24);
    for (int y = 0; y < 40; ++y) {
        BYTE* row = FreeImage_GetScanLine(icon, y);  // row 0 is the bottom row
        for (int x = 0; x < 52; ++x) {
            bool top = y >= 20;
            bool left = x < 26;
            row[3 * x + FI_RGBA_RED] = top ? 250 : 10;
            row[3 * x + FI_RGBA_GREEN] = left ? 240 : 20;
            row[3 * x + FI_RGBA_BLUE] = 30;
        }
    }
    storeImage(viewerState.conditionIcon, icon);
    paintWindow();
    EXPECT_EQ(pixel(15, 199), QColor(250, 240, 30)) << "top left";
    EXPECT_EQ(pixel(66, 199), QColor(250, 20, 30)) << "top right";
    EXPECT_EQ(pixel(15, 229), QColor(10, 240, 30)) << "bottom left";
    EXPECT_EQ(pixel(66, 229), QColor(10, 20, 30)) << "bottom right";
    EXPECT_EQ(pixel(67, 229), white);
    EXPECT_EQ(pixel(15, 230), white);
    EXPECT_EQ(pixel(14, 220), white);
}

void fillWeather() {
    std::lock_guard guard(viewerState.stateLock);
    WeatherReport& r = viewerState.weather;
    copyText(r.city, "Dublin");
    copyText(r.tempUnit, "C");
    copyText(r.speedUnit, "km/h");
    copyText(r.distanceUnit, "km");
    copyText(r.pressureUnit, "mb");
    r.windChill = -5;
    r.humidity = 63;
    r.visibility = 1609;
    r.pressure = 1015.9f;
    r.rising = 2;
    copyText(r.sunrise, "7:05 am");
    copyText(r.sunset, "5:12 pm");
    copyText(r.latitude, "53.33");
    copyText(r.longitude, "-6.25");
    copyText(r.conditionText, "Light Rain");
    r.conditionTemp = 8;
    copyText(r.conditionDate, "Mon, 07 Dec 2026 10:00 am GMT");
    r.forecastCount = 0;
}

TEST_F(PaintWindowTest, RowsAppearOnlyWhileAnIconIsPresent) {
    fillWeather();
    const Rect labels{60, 175, 181, 250};
    const Rect values{185, 175, 349, 250};
    const Rect city{15, 167, 120, 190};
    for (int32_t tab = Wind; tab <= Forecast; ++tab) {
        SCOPED_TRACE(tab);
        viewerState.selectedInfoTab = tab;
        storeImage(viewerState.conditionIcon, nullptr);
        paintWindow();
        EXPECT_EQ(darkPixels(labels), 0);
        EXPECT_EQ(darkPixels(values), 0);
        EXPECT_EQ(darkPixels(city), 0);

        storeImage(viewerState.conditionIcon, solidImage(10, 10, Qt::yellow));
        paintWindow();
        EXPECT_GT(darkPixels(labels), 40);
        EXPECT_GT(darkPixels(city), 20) << "the city name";
        if (tab != Forecast) {
            EXPECT_GT(darkPixels(values), 40);
            EXPECT_LE(darkBounds(labels).right, 180) << "labels end at x 180";
            EXPECT_GE(darkBounds(Rect{181, 183, 349, 213}).left, 185) << "values start at 185";
        }
    }
}

// Renders `text` in smallBoldFont with the left-top anchor at (x,y) on white, as the
// canvas does, for comparing against the back buffer.
QImage referenceText(const char* text, int32_t x, int32_t y) {
    QImage image(windowWidth, windowHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    Canvas canvas(&image);
    canvas.painter.setFont(windowResources.smallBoldFont);
    textOut(canvas, x, y, text);
    return image;
}

bool sameArea(const QImage& a, const QImage& b, Rect area) {
    for (int32_t y = area.top; y < area.bottom; ++y) {
        for (int32_t x = area.left; x < area.right; ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}

TEST_F(PaintWindowTest, MapPanelShowsPictureOrMessageByFlagAndSlot) {
    const QColor green(20, 160, 40);
    const Rect messageArea{16, 380, 344, 430};
    const QImage downloading = referenceText("Image downloading...", 120, 400);
    const QImage notUpdated = referenceText("Image not updated...", 120, 400);
    enum Shows { Picture, Downloading, NotUpdated };
    struct Case {
        bool ready;
        bool image;
        Shows shows;
    };
    const Case cases[] = {{true, true, Picture},
                          {true, false, NotUpdated},
                          {false, true, Downloading},
                          {false, false, NotUpdated}};
    for (int32_t layer = 0; layer < mapLayerCount; layer += 3) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << "layer " << layer << " ready " << c.ready << " image " << c.image);
            viewerState.selectedMapTab = layer;
            viewerState.layerReady[layer].store(c.ready ? 1 : 0);
            storeImage(viewerState.layerImage[layer],
                       c.image ? solidImage(440, 330, green) : nullptr);
            paintWindow();
            const QImage& buffer = windowResources.backBuffer;
            switch (c.shows) {
                case Picture:
                    for (int32_t y = messageArea.top; y < messageArea.bottom; ++y) {
                        for (int32_t x = messageArea.left; x < messageArea.right; ++x) {
                            ASSERT_EQ(pixel(x, y), green) << x << "," << y;
                        }
                    }
                    break;
                case Downloading:
                    EXPECT_TRUE(sameArea(buffer, downloading, messageArea));
                    break;
                case NotUpdated:
                    EXPECT_TRUE(sameArea(buffer, notUpdated, messageArea));
                    break;
            }
        }
    }
}

TEST_F(PaintWindowTest, PictureCoversTheImageAreaExactly) {
    struct Case {
        int width;
        int height;
        QColor colour;
    };
    const Case cases[] = {{440, 330, QColor(20, 160, 40)},
                          {100, 100, QColor(200, 30, 90)},
                          {330, 240, QColor(10, 20, 250)},
                          {1, 1, QColor(90, 90, 10)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        viewerState.layerReady[Satellite].store(1);
        storeImage(viewerState.layerImage[Satellite], solidImage(c.width, c.height, c.colour));
        paintWindow();
        int32_t covered = 0;
        for (int32_t y = 295; y <= 534; ++y) {
            for (int32_t x = 15; x <= 344; ++x) {
                covered += pixel(x, y) == c.colour;
            }
        }
        EXPECT_EQ(covered, 330 * 240);
        for (int32_t y = 294; y <= 535; ++y) {
            EXPECT_EQ(pixel(14, y), white) << y;
            EXPECT_EQ(pixel(345, y), white) << y;
        }
        for (int32_t x = 14; x <= 345; ++x) {
            EXPECT_EQ(pixel(x, 294), white) << x;
            EXPECT_EQ(pixel(x, 535), white) << x;
        }
    }
}

TEST_F(PaintWindowTest, PictureIsConvertedOnceAndRedoneWhenTheSlotChanges) {
    viewerState.layerReady[Satellite].store(1);
    Image24 image = solidImage(440, 330, QColor(20, 160, 40));
    storeImage(viewerState.layerImage[Satellite], image);
    paintWindow();
    const qint64 converted = windowResources.mapPicture[Satellite].picture.cacheKey();
    paintWindow();
    EXPECT_EQ(windowResources.mapPicture[Satellite].picture.cacheKey(), converted);
    EXPECT_EQ(pixel(200, 400), QColor(20, 160, 40));

    // A picture decoded where the last one lay has the same address: its pixels, not its
    // address, tell that it is new. (The slot's change is counted, as every replacement is.)
    {
        std::lock_guard guard(viewerState.stateLock);
        ++viewerState.imageGeneration;
        FIBITMAP* same = viewerState.layerImage[Satellite];
        for (unsigned y = 0; y < FreeImage_GetHeight(same); ++y) {
            BYTE* row = FreeImage_GetScanLine(same, y);
            for (unsigned x = 0; x < FreeImage_GetWidth(same); ++x) {
                row[3 * x + FI_RGBA_RED] = 200;
            }
        }
    }
    paintWindow();
    EXPECT_EQ(pixel(200, 400), QColor(200, 160, 40));

    storeImage(viewerState.layerImage[Satellite], solidImage(100, 100, QColor(1, 2, 3)));
    paintWindow();
    EXPECT_EQ(pixel(200, 400), QColor(1, 2, 3));
}

TEST_F(PaintWindowTest, AMapLeftStandingIsDrawnAgainAfterAnythingElseStoodThere) {
    const QColor green(20, 160, 40);
    viewerState.layerReady[Satellite].store(1);
    storeImage(viewerState.layerImage[Satellite], solidImage(440, 330, green));
    paintWindow();
    ASSERT_EQ(pixel(130, 405), green);

    viewerState.selectedMapTab = ForecastHigh;  // not ready: its message in white
    paintWindow();
    EXPECT_EQ(pixel(300, 300), white);
    viewerState.selectedMapTab = Satellite;
    paintWindow();
    for (QPoint at : {QPoint(130, 405), QPoint(300, 300), QPoint(15, 295), QPoint(344, 534)}) {
        EXPECT_EQ(pixel(at.x(), at.y()), green) << at.x() << "," << at.y();
    }

    // A new back buffer holds nothing of the last paint.
    fitBackBuffer(2.0);
    fitBackBuffer(1.0);
    windowResources.backBuffer.fill(Qt::magenta);
    paintWindow();
    EXPECT_EQ(pixel(130, 405), green);

    // A ready layer whose image cannot be shown (not 24 bits) leaves no other layer's map
    // standing under its tab.
    viewerState.layerReady[Precipitation].store(1);
    storeImage(viewerState.layerImage[Precipitation], FreeImage_Allocate(440, 330, 8));
    viewerState.selectedMapTab = Precipitation;
    paintWindow();
    for (QPoint at : {QPoint(130, 405), QPoint(300, 300), QPoint(344, 534)}) {
        EXPECT_EQ(pixel(at.x(), at.y()), white) << at.x() << "," << at.y();
    }
}

TEST_F(PaintWindowTest, ForecastColumnsAreCentredAt205And300) {
    fillWeather();
    {
        std::lock_guard guard(viewerState.stateLock);
        WeatherReport& r = viewerState.weather;
        for (int32_t i = 0; i < 3; ++i) {
            copyText(r.forecasts[i].day, "Mon");
            copyText(r.forecasts[i].date, "7 Dec 2026");
            r.forecasts[i].low = -3;
            r.forecasts[i].high = 12;
            copyText(r.forecasts[i].text, "Partly Cloudy");
        }
    }
    storeImage(viewerState.conditionIcon, solidImage(8, 8, Qt::yellow));
    viewerState.selectedInfoTab = Forecast;

    viewerState.weather.forecastCount = 0;
    paintWindow();
    EXPECT_EQ(darkPixels(Rect{165, 170, 349, 264}), 0) << "labels only";
    EXPECT_LE(darkBounds(Rect{60, 170, 165, 250}).right, 160) << "labels end at x 160";

    viewerState.weather.forecastCount = 3;
    paintWindow();
    for (int32_t centre : {205, 300}) {
        SCOPED_TRACE(centre);
        for (int32_t top : {175, 190, 205, 220}) {
            Rect bounds = darkBounds(Rect{centre - 46, top + 2, centre + 46, top + 13});
            ASSERT_LE(bounds.left, bounds.right) << "row " << top;
            EXPECT_NEAR((bounds.left + bounds.right) / 2.0, centre, 2.0) << "row " << top;
        }
        Rect description = darkBounds(Rect{centre - 40, 235, centre + 50, 265});
        EXPECT_LE(description.left, description.right);
    }
    // The third column starts at 395 - half its width: only its left part would show, and the
    // panel's frame at 349 stays black.
    EXPECT_EQ(pixel(349, 200), black);
}

TEST_F(PaintWindowTest, ValuesAreFormattedAsTheRowsRead) {
    fillWeather();
    storeImage(viewerState.conditionIcon, solidImage(8, 8, Qt::yellow));
    struct Case {
        int32_t tab;
        const char* text;
        int32_t y;
    };
    const Case cases[] = {{Wind, "-5 C", 190},
                          {Wind, "0 deg.", 205},
                          {Atmosphere, "63 %", 185},
                          {Atmosphere, "16.09 km", 200},
                          {Atmosphere, "1015.90 mb", 215},
                          {Atmosphere, "Falling", 230},
                          {Astronomy, "5:12 pm", 200},
                          {Condition, "8 C", 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        viewerState.selectedInfoTab = c.tab;
        paintWindow();
        QImage expected = windowResources.backBuffer.copy();
        {
            QPainter wipe(&expected);
            wipe.fillRect(185, c.y, 160, 14, Qt::white);
        }
        Canvas canvas(&expected);
        canvas.painter.setFont(windowResources.smallBoldFont);
        textOut(canvas, 185, c.y, c.text);
        canvas.painter.end();
        EXPECT_TRUE(sameArea(windowResources.backBuffer, expected, Rect{185, c.y, 345, c.y + 14}));
    }
}

// Bytes of heap in use now: the sanitizer's count when it owns the heap (its quarantine
// holds freed blocks, so the process size says little), otherwise the C library's.
size_t heapInUse() {
#if NUBIVO_UNDER_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

TEST_F(PaintWindowTest, TenThousandPaintsLeaveMemoryAndPictureUnchanged) {
    fillWeather();
    storeImage(viewerState.conditionIcon, solidImage(52, 52, Qt::yellow));
    viewerState.layerReady[Satellite].store(1);
    storeImage(viewerState.layerImage[Satellite], solidImage(440, 330, QColor(20, 160, 40)));
    viewerState.selectedInfoTab = Atmosphere;
    viewerState.hoverMapTab = Precipitation;
    for (int i = 0; i < 100; ++i) {
        paintWindow();
    }
    const QImage first = windowResources.backBuffer.copy();
    size_t before = heapInUse();
    for (int i = 0; i < 10000; ++i) {
        paintWindow();
    }
    size_t after = heapInUse();
    EXPECT_FALSE(windowResources.backBuffer.paintingActive()) << "every paint ends its painter";
    EXPECT_TRUE(windowResources.backBuffer == first) << "no drawing state carried over";
    ASSERT_GT(before, 0u);
    // Loose: a few caches settling, never a picture, a brush or a text per paint.
    std::printf("heap in use: %zu bytes before, %zu after 10000 paints\n", before, after);
    EXPECT_LT(static_cast<double>(after) - static_cast<double>(before), 512.0 * 1024)
        << before << " bytes in use before, " << after << " after";
}

}  // namespace
}  // namespace nubivo::test
