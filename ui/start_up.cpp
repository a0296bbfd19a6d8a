#include "ui/start_up.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>

#include "locations/location_lists.h"
#include "state/geometry.h"
#include "state/viewer_state.h"
#include "ui/combo_lists.h"
#include "ui/controls.h"
#include "ui/first_input.h"
#include "ui/fonts.h"
#include "ui/main_window.h"
#include "ui/paint_window.h"
#include "ui/picture_cache.h"
#include "ui/window_bridge_qt.h"
#include "ui/window_icon.h"
#include "ui/window_resources.h"
#include "worker/update_worker.h"

namespace nubivo {

WindowPosition centredPosition(int32_t screenWidth, int32_t screenHeight) {
    // C++ division truncates toward zero, as the placement requires.
    return WindowPosition{(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

void prepareApplication() {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

namespace {

// What prepareInBackground started; joined by startViewer.
std::thread preparation;

constexpr int iconSizes[] = {16, 32, 48};

// The window's work that needs the application object but not the window thread, done on a
// thread of its own while the window thread makes the window and its controls. The icon is
// drawn at 16, 32 and 48 pixels times the screen's whole scale: drawing costs start-up time,
// and the window system is given the sizes it can use.
struct Companion {
    QImage icons[std::size(iconSizes)];
    std::thread thread;

    void start() {
        // On X the first widget to get a text starts Qt's accessibility support, which waits
        // on the window thread for the session bus. Connected here first, the window thread
        // finds the connection made (or known to be missing).
        const bool busWanted = QGuiApplication::platformName() == QLatin1String("xcb");
        const int scale = std::max(static_cast<int>(std::ceil(qApp->devicePixelRatio() - 0.01)), 1);
        thread = std::thread([this, busWanted, scale] {
            if (busWanted) {
                QDBusConnection::sessionBus();
            }
            for (size_t i = 0; i < std::size(iconSizes); ++i) {
                icons[i] = drawViewerIcon(iconSizes[i] * scale);
            }
        });
    }

    QIcon icon() {
        thread.join();
        QIcon result;
        for (const QImage& image : icons) {
            result.addPixmap(QPixmap::fromImage(image));
        }
        return result;
    }
};

// Fonts and the cleared layer stamps, so that the first update fetches every map layer.
void initResources() {
    createFonts();
    std::lock_guard guard(viewerState.stateLock);
    std::memset(viewerState.layerStamp, 0, sizeof viewerState.layerStamp);
}

}  // namespace

void prepareInBackground() {
    if (!preparation.joinable()) {
        preparation = std::thread(lookUpViewerFace);
    }
}

void startViewer() {
    WindowResources& w = windowResources;
    QSize screen(windowWidth, windowHeight);
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        screen = primary->geometry().size();
    }
    WindowPosition at = centredPosition(screen.width(), screen.height());
    Companion companion;
    companion.start();

    auto* window = new MainWindow;
    window->setWindowTitle(QStringLiteral("NubivoWeather Viewer"));
    window->move(at.x, at.y);
    w.mainWindow = window;

    fitBackBuffer(window->devicePixelRatioF());
    initResources();
    if (preparation.joinable()) {
        preparation.join();  // its work is done: createFonts has waited for it
    }
    createControls();
    installComboLists();
    openWindowBridge();
    window->setWindowIcon(companion.icon());
    window->show();
    loadCountryList();
    watchForFirstInput();
}

bool shutDownViewer() {
    WindowResources& w = windowResources;
    // From here on the worker asks the window for nothing; and it must not be replacing an
    // image while the images are released.
    closeWindowBridge();
    endFirstInputWatch();
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
        std::lock_guard guard(viewerState.stateLock);
        unloadImage24(viewerState.conditionIcon);
        for (Image24& image : viewerState.layerImage) {
            unloadImage24(image);
        }
    }
    return stopped;
}

}  // namespace nubivo
