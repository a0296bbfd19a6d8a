#include "ui/commands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QWidget>
#include <QWindow>
#include <cstring>

#include "feed/feed_request.h"
#include "locations/location_lists.h"
#include "project_values.h"
#include "state/geometry.h"
#include "state/viewer_state.h"
#include "ui/canvas.h"
#include "ui/window_resources.h"
#include "worker/update_worker.h"

namespace nubivo {
namespace {

// Opacity of the semitransparent window: 127 of 255.
constexpr double semitransparentOpacity = 127.0 / 255.0;

// Where the left button went down, in client pixels, and whether the window system took the
// drag over; without a window manager the window follows the pointer itself.
struct Drag {
    int32_t grabX = 0;
    int32_t grabY = 0;
    bool systemMove = false;
};
Drag drag;

void repaintPanels() {
    if (QWidget* window = windowResources.mainWindow) {
        for (const Rect& rect : {infoPanelRect, mapPanelRect}) {
            window->update(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        }
    }
}

// The drag begins with the first move while the left button alone is held.
void dragWindow(int32_t x, int32_t y) {
    QWidget* window = windowResources.mainWindow;
    if (window == nullptr || drag.systemMove) {
        return;
    }
    QWindow* handle = window->windowHandle();
    if (handle != nullptr && handle->startSystemMove()) {
        drag.systemMove = true;
        return;
    }
    window->move(window->pos() + QPoint(x - drag.grabX, y - drag.grabY));
}

// Cuts `text` to at most `capacity` bytes without splitting a UTF-8 sequence.
size_t utf8Prefix(const char* text, size_t capacity) {
    size_t length = strnlen(text, capacity + 1);
    if (length <= capacity) {
        return length;
    }
    length = capacity;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    return length;
}

}  // namespace

void onUpdateClicked() {
    startUpdate();
    repaintPanels();
}

void onRegionChosen() {
    int32_t index = windowResources.regionCombo->currentIndex();
    // The list reports no choice as -1: the region in effect stays.
    if (index >= 0 && index < regionCount) {
        viewerState.selectedRegion.store(index, std::memory_order_release);
    }
}

void onCountryChosen() {
    loadCityList();
}

void onCityChosen() {
    if (cityList.currentIndex == nullptr || cityList.entryText == nullptr) {
        return;
    }
    int32_t index = cityList.currentIndex();
    char entry[260];
    char code[260];
    if (index < 0 || !cityList.entryText(index, entry, sizeof entry) ||
        !locationCode(entry, code, sizeof code)) {
        return;  // an entry without a ',' leaves the box as it is
    }
    code[utf8Prefix(code, maxLocationBytes)] = '\0';
    windowResources.locationEdit->setText(textFromBytes(code));
}

void onSemitransparentToggled() {
    QWidget* window = windowResources.mainWindow;
    bool checked = windowResources.semitransparentCheck->isChecked();
    window->setWindowOpacity(checked ? semitransparentOpacity : 1.0);
    // The window system hears of the new opacity with the next paint: paint now.
    window->repaint();
}

void onAboutClicked() {
    QMessageBox box(
        QMessageBox::Information,
        QStringLiteral("NubivoWeather Viewer v%1 - Info").arg(QLatin1String(shortVersion)),
        QStringLiteral("Powered by Nubivo Weather services.\n"
                       "Live weather data by Open-Meteo.com (CC BY 4.0), location "
                       "data based on GeoNames, satellite imagery from NASA GIBS "
                       "and EUMETSAT, forecast maps from NOAA GFS. "
                       "(c) 2026 the Nubivo Weather Viewer developers."),
        QMessageBox::Ok, windowResources.mainWindow);
    box.exec();
}

void onExitClicked() {
    QCoreApplication::quit();
}

void onWindowClosed() {
    QCoreApplication::quit();
}

void onMouseMove(int32_t x, int32_t y, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys) {
    if (buttons == Qt::LeftButton && (keys & (Qt::ShiftModifier | Qt::ControlModifier)) == 0) {
        dragWindow(x, y);
        return;
    }
    viewerState.hoverInfoTab = -1;
    viewerState.hoverMapTab = -1;
    if (ptInRect(infoPanelRect, x, y)) {
        viewerState.hoverInfoTab = hitTab(infoTabFirst, infoTabCount, x, y);
    } else if (ptInRect(mapPanelRect, x, y)) {
        viewerState.hoverMapTab = hitTab(mapTabFirst, mapTabCount, x, y);
    }
    repaintPanels();
}

void onMousePress(int32_t x, int32_t y, Qt::MouseButton button) {
    if (button != Qt::LeftButton) {
        return;
    }
    drag = Drag{x, y, false};
    if (ptInRect(infoPanelRect, x, y)) {
        int32_t tab = hitTab(infoTabFirst, infoTabCount, x, y);
        if (tab >= 0) {
            viewerState.selectedInfoTab = tab;
        }
    } else if (ptInRect(mapPanelRect, x, y)) {
        int32_t tab = hitTab(mapTabFirst, mapTabCount, x, y);
        if (tab >= 0) {
            viewerState.selectedMapTab = tab;
        }
    }
    repaintPanels();
}

}  // namespace nubivo
