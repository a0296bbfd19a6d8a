#pragma once

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <mutex>

#include "platform/http.h"
#include "state/geometry.h"
#include "state/viewer_state.h"
#include "ui/start_up.h"
#include "ui/window_resources.h"

namespace nubivo::test {

// The viewer started as at program start (without the event loop), torn down after.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetViewerState();
        startViewer();
    }

    void TearDown() override {
        shutDownViewer();
        httpResetCancel();  // shutdown cancels every transfer; the next test needs them
        resetViewerState();
    }

    static QColor pixel(int32_t x, int32_t y) {
        return QColor(windowResources.backBuffer.pixel(x, y));
    }

    static QColor face() { return windowResources.mainWindow->palette().color(QPalette::Button); }

    // Pixels in [left,right) x [top,bottom) much darker than the panel's white: glyphs.
    static int32_t darkPixels(Rect area) {
        int32_t count = 0;
        for (int32_t y = area.top; y < area.bottom; ++y) {
            for (int32_t x = area.left; x < area.right; ++x) {
                if (qGray(windowResources.backBuffer.pixel(x, y)) < 128) {
                    ++count;
                }
            }
        }
        return count;
    }

    // The smallest rectangle holding every dark pixel of `area`; left > right when none.
    static Rect darkBounds(Rect area) {
        Rect bounds{area.right, area.bottom, area.left - 1, area.top - 1};
        for (int32_t y = area.top; y < area.bottom; ++y) {
            for (int32_t x = area.left; x < area.right; ++x) {
                if (qGray(windowResources.backBuffer.pixel(x, y)) < 128) {
                    bounds.left = std::min(bounds.left, x);
                    bounds.right = std::max(bounds.right, x);
                    bounds.top = std::min(bounds.top, y);
                    bounds.bottom = std::max(bounds.bottom, y);
                }
            }
        }
        return bounds;
    }
};

// The same on a screen scaled by 2, skipped at any other scale: CTest runs the "HiDpi" suites
// in processes of their own with QT_SCALE_FACTOR=2 (the "Scale2." tests).
class HiDpiWindowTest : public WindowTest {
  protected:
    void SetUp() override {
        if (qApp->devicePixelRatio() != 2.0) {
            GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2 only";
        }
        WindowTest::SetUp();
    }
};

// A 24-bit image whose every pixel is `colour`.
inline Image24 solidImage(int width, int height, QColor colour) {
    FIBITMAP* image = FreeImage_Allocate(width, height, 24);
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(image, y);
        for (int x = 0; x < width; ++x) {
            row[3 * x + FI_RGBA_RED] = static_cast<BYTE>(colour.red());
            row[3 * x + FI_RGBA_GREEN] = static_cast<BYTE>(colour.green());
            row[3 * x + FI_RGBA_BLUE] = static_cast<BYTE>(colour.blue());
        }
    }
    return image;
}

// Puts `image` into `slot` under the state lock, releasing what the slot held.
inline void storeImage(Image24& slot, Image24 image) {
    std::lock_guard guard(viewerState.stateLock);
    unloadImage24(slot);
    slot = image;
    ++viewerState.imageGeneration;
}

}  // namespace nubivo::test
