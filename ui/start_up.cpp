#include "ui/start_up.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "locations/location_lists.h"
#include "state/geometry.h"
#include "state/viewer_state.h"
#include "ui/combo_lists.h"
#include "ui/fonts.h"
#include "ui/main_window.h"
#include "ui/paint_window.h"
#include "ui/picture_cache.h"
#include "ui/window_bridge_qt.h"
#include "ui/window_icon.h"
#include "ui/window_resources.h"
#include "worker/update_worker.h"

namespace nubivo {

WindowResources windowResources;

WindowPosition centredPosition(int32_t screenWidth, int32_t screenHeight) {
    // C++ division truncates toward zero, as the placement requires.
    return WindowPosition{(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

void prepareApplication() {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

namespace {

// 16, 32 and 48 pixels times the screen's whole scale: drawing costs start-up time, and the
// window system is given the sizes it can use.
QIcon viewerIcon() {
    QIcon icon;
    const int scale = static_cast<int>(std::ceil(qApp->devicePixelRatio() - 0.01));
    for (int size : {16, 32, 48}) {
        icon.addPixmap(QPixmap::fromImage(drawViewerIcon(size * std::max(scale, 1))));
    }
    return icon;
}

// Fonts and the cleared layer stamps, so that the first update fetches every map layer.
void initResources() {
    createFonts();
    std::lock_guard<std::mutex> guard(viewerState.stateLock);
    std::memset(viewerState.layerStamp, 0, sizeof viewerState.layerStamp);
}

}  // namespace

void startViewer() {
    WindowResources& w = windowResources;
    QSize screen(windowWidth, windowHeight);
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        screen = primary->geometry().size();
    }
    WindowPosition at = centredPosition(screen.width(), screen.height());

    auto* window = new MainWindow;
    window->setWindowTitle(QStringLiteral("NubivoWeather Viewer"));
    window->setWindowIcon(viewerIcon());
    window->move(at.x, at.y);
    w.mainWindow = window;

    fitBackBuffer(window->devicePixelRatioF());
    initResources();
    createControls();
    installComboLists();
    openWindowBridge();
    window->show();
    loadCountryList();
}

bool shutDownViewer() {
    WindowResources& w = windowResources;
    // From here on the worker asks the window for nothing; and it must not be replacing an
    // image while the images are released.
    closeWindowBridge();
    bool stopped = stopUpdates();

    w.backBuffer = QImage();
    clearPictureCaches();
    w.titleFont = QFont();
    w.controlFont = QFont();
    w.smallFont = QFont();
    w.smallBoldFont = QFont();

    removeComboLists();
    delete w.mainWindow;
    w = WindowResources{};

    if (stopped) {
        std::lock_guard<std::mutex> guard(viewerState.stateLock);
        unloadImage24(viewerState.conditionIcon);
        for (Image24& image : viewerState.layerImage) {
            unloadImage24(image);
        }
    }
    return stopped;
}

}  // namespace nubivo
